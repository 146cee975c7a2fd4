#include "app/main_window.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "app/error_box.h"
#include "app/grid_view.h"
#include "import/import_command.h"
#include "model/errors.h"
#include "model/form_design.h"
#include "model/form_names.h"
#include "plotfile/save_command.h"
#include "qt/screen_fit.h"
#include "ui/spare_button.h"

namespace plotaktar::app {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void Place(QWidget& widget, const form::Rect& rect) {
    widget.setGeometry(rect.left, rect.top, rect.width, rect.height);
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), windowUi_(this), ui_(&windowUi_) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(FromUtf8(form::kCaption));
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(form::kFontPoints);
    setFont(font);
    // Opens at its own place, not centred; the size is that of the client area.
    move(form::kLeft, form::kTop);
    resize(form::kClientWidth, form::kClientHeight);
    createControls();
    FormCreate();
    windowUi_.setRefreshViews([this] { refreshTables(); });
}

TForm1::~TForm1() {
    // The views and models read the Session's tables, which go before the window's children.
    delete PageControl1;
    for (GridModel* model : models_) {
        delete model;
    }
}

void TForm1::createControls() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(client);

    // The panel draws its caption centred behind the buttons.
    Panel1 = new QLabel(FromUtf8(form::kPanelCaption), client);
    Panel1->setObjectName(FromUtf8(form::kPanelName));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(form::kPanelHeight);
    layout->addWidget(Panel1);

    BitBtn1 = new QPushButton(FromUtf8(form::kOpenButton.caption), Panel1);
    BitBtn1->setObjectName(FromUtf8(form::kOpenButton.name));
    Place(*BitBtn1, form::kOpenButton.rect);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);

    SpeedButton1 = new QToolButton(Panel1);
    SpeedButton1->setObjectName(FromUtf8(form::kSaveButton.name));
    SpeedButton1->setText(FromUtf8(form::kSaveButton.caption));
    Place(*SpeedButton1, form::kSaveButton.rect);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);

    SpeedButton2 = new QToolButton(Panel1);
    SpeedButton2->setObjectName(FromUtf8(form::kSpareButton.name));
    Place(*SpeedButton2, form::kSpareButton.rect);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);

    for (QToolButton* button : {SpeedButton1, SpeedButton2}) {
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::NoFocus);
    }

    PageControl1 = new QTabWidget(client);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1, 1);
    for (size_t i = 0; i < form::kPageOrder.size(); ++i) {
        const TableEntry& page = TableOf(form::kPageOrder[i]);
        const int gridNumber = TableNumber(page.id);
        auto* sheet = new QWidget(PageControl1);
        sheet->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        auto* sheetLayout = new QVBoxLayout(sheet);
        sheetLayout->setContentsMargins(0, 0, 0, 0);

        auto* model = new GridModel(session_.workspace.table(page.id), this);
        GridView* view = CreateGridView(model, form::SizingOf(page.shape), sheet);
        view->setObjectName(QString::fromStdString(GridName(page.id)));
        sheetLayout->addWidget(view);
        models_[Index(gridNumber)] = model;
        views_[Index(gridNumber)] = view;
        PageControl1->addTab(sheet, FromUtf8(page.caption));
    }
    PageControl1->setCurrentIndex(form::kFrontPage);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::fitPageOnScreen);
}

void TForm1::fitPageOnScreen() {
    const int index = PageControl1->currentIndex();
    if (index < 0 || static_cast<size_t>(index) >= form::kPageOrder.size()) {
        return;
    }
    const TableEntry& page = TableOf(form::kPageOrder[static_cast<size_t>(index)]);
    const int gridNumber = TableNumber(page.id);
    bool& pending = fitPending_[Index(gridNumber)];
    if (pending && form::SizingOf(page.shape) != GridSizing::None) {
        pending = false;
        grid(gridNumber)->fitColumnsToRowsInView();
    }
}

void TForm1::FormCreate() {
    // The Session wrote the header rows as it was created; show them.
    refreshTables();
}

void TForm1::refreshTables() {
    for (GridModel* model : models_) {
        model->refresh();
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FitOnScreenWhenShown(*this);
    }
}

void TForm1::runCommand(const std::function<void(Session&, UserInterface&)>& command) {
    std::optional<std::string> failure;
    windowUi_.beginCommand();
    try {
        command(session_, *ui_);
    } catch (const std::exception& error) {
        failure = MessageOf(error);
    } catch (...) {
        failure = "Unknown error";
    }
    windowUi_.endCommand();
    // What the command did before a failure stays, so the tables show it either way.
    refreshTables();
    if (failure) {
        ShowErrorBox(this, *failure);
    }
}

void TForm1::BitBtn1Click() {
    runCommand(plotaktar::RunOpenCommand);
    // Coordinates readable at once: the page on screen now, every other page when it is shown.
    fitPending_.fill(true);
    fitPageOnScreen();
}

void TForm1::SpeedButton1Click() {
    runCommand(plotaktar::RunSaveCommand);
}

void TForm1::SpeedButton2Click() {
    RunSpareButtonCommand();
}

}  // namespace plotaktar::app
