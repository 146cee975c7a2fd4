#pragma once

namespace plotaktar {

// Whether one drawing's work may take a second thread: the import reads the label files beside
// the geometry file, the plot writer formats a big file in two. True when the program may run on
// more than one core (platform::UsableCores), unless the caller says no because it keeps every core
// busy already (batch's workers). The results are the same bytes and messages either way.
bool SecondThreadAllowed();
void AllowSecondThread(bool allowed);

}  // namespace plotaktar
