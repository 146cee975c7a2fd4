#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "testing/scripted_ui.h"

namespace plotaktar::gui_testing {

// Runs `handler` on the next modal dialog of type Dialog once it is open, from the event loop
// that its exec() runs. The wait ends with `context` (the test's window). When `missed` is
// given and no such dialog appears in time while another modal widget is open, that one is
// closed so the test cannot hang, and `missed` is set.
template <class Dialog>
void WhenModal(QObject* context, std::function<void(Dialog*)> handler, bool* missed = nullptr,
               int attempts = 300) {
    QTimer::singleShot(10, context, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<Dialog*>(modal); dialog && dialog->isVisible()) {
            handler(dialog);
            return;
        }
        if (attempts > 0) {
            WhenModal<Dialog>(context, handler, missed, attempts - 1);
            return;
        }
        if (missed) {
            *missed = true;
            if (modal) {
                modal->close();
            }
        }
    });
}

// The scripted user of the core's tests, the benchmark and the fuzzers.
using ScriptedUi = plotaktar::ScriptedUi;

}  // namespace plotaktar::gui_testing
