#pragma once

#include <QMainWindow>
#include <array>
#include <functional>

#include "app/grid_model.h"
#include "app/grid_view.h"
#include "app/window_user_interface.h"
#include "model/session.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace plotaktar::app {

// The program's one window: the panel with the open and save buttons above the thirteen tab
// pages, each showing one working table of the window's Session.
//
// Its names (TForm1, BitBtn1Click, SpeedButton1Click, StringGrid1 to StringGrid13, Panel1,
// PageControl1, OpenDialog1 ...) are deliberately those of the designed window, which users,
// the state dump and the tests know it by; the core names the same things for what they do
// (RunOpenCommand, RunSaveCommand, TableId, OpenDialogId::Geometry), and model/form_names.h
// maps one to the other.
class TForm1 : public QMainWindow {
    Q_OBJECT

  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    Session& session() { return session_; }
    // The model and view of StringGrid1 to StringGrid13, by the table's number.
    GridModel* model(int gridNumber) const { return models_.at(Index(gridNumber)); }
    GridView* grid(int gridNumber) const { return views_.at(Index(gridNumber)); }

    // The window's own dialogs and message boxes.
    WindowUserInterface& windowUserInterface() { return windowUi_; }
    // Lets the commands talk through `ui` instead (a script, in tests); nullptr goes back to
    // the window's own dialogs. The caller keeps `ui` alive while it is in use.
    void setUserInterface(UserInterface* ui) { ui_ = ui ? ui : &windowUi_; }

    // Runs a command on the window's Session. A failure the command lets through ends it and
    // reaches the general error handler, which shows it in an error box; the program goes on.
    // Before each box of the command and at its end, the views of the tables that changed are
    // refreshed; the others, and the user's selection in them, stay as they are.
    void runCommand(const std::function<void(Session&, UserInterface&)>& command);

  public slots:
    void BitBtn1Click();
    void SpeedButton1Click();
    void SpeedButton2Click();

  protected:
    // The window opens at left 152, top 267 with a client area of 1028 × 607 where that fits
    // its screen's available area; otherwise it is moved, and shrunk only if it must, so that
    // all of it, frame included, is on the screen.
    void showEvent(QShowEvent* event) override;

  private:
    static size_t Index(int gridNumber) { return static_cast<size_t>(gridNumber - 1); }
    void createControls();
    void FormCreate();
    void refreshTables();
    // Fits the columns of the page on screen when an import has changed the tables since it
    // was last fitted.
    void fitPageOnScreen();

    Session session_;
    WindowUserInterface windowUi_;
    UserInterface* ui_;

    QLabel* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    std::array<GridModel*, kTableCount> models_{};
    std::array<GridView*, kTableCount> views_{};
    std::array<bool, kTableCount> fitPending_{};  // an import came after the page's last fit
    bool shown_ = false;
};

}  // namespace plotaktar::app
