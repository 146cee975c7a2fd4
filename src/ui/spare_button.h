#pragma once

namespace plotaktar {

// What the panel's blank button (SpeedButton2) does in either window: it walks a fixed sentence
// and cuts out its blank-separated words, keeping none of them. Nothing is shown, stored or
// changed.
void RunSpareButtonCommand();

}  // namespace plotaktar
