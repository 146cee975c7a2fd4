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
#include "export/export_command.h"
#include "import/import_command.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/text.h"
#include "qt/screen_fit.h"

namespace plotaktar::app {

namespace {

struct Page {
    int gridNumber;
    GridSizing sizing;
};

// The pages in tab order (captions: PageCaption). The table numbers do not follow it: StringGrid4
// (layers) sits on the tenth page, StringGrid5 (lines) on the fourth.
constexpr std::array<Page, kGridCount> kPages = {{
    {1, GridSizing::Columns},          // Nirengi
    {2, GridSizing::Columns},          // poligon
    {3, GridSizing::Columns},          // Nokta
    {5, GridSizing::Columns},          // Hat
    {6, GridSizing::Columns},          // Yazı
    {7, GridSizing::Columns},          // Sembol
    {8, GridSizing::Columns},          // Ada Parsel
    {9, GridSizing::Columns},          // Bina
    {10, GridSizing::Columns},         // Şev
    {4, GridSizing::Columns},          // Tabaka
    {11, GridSizing::RowsAndColumns},  // Ada Parsel Köşe
    {12, GridSizing::None},            // bina köşe
    {13, GridSizing::None},            // şev köşe
}};

constexpr int kFrontPage = 10;  // "Ada Parsel Köşe"
constexpr int kPanelHeight = 49;
constexpr QPoint kOpeningPosition(152, 267);  // of the outer window, frame included
constexpr QSize kClientSize(1028, 607);

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), windowUi_(this), ui_(&windowUi_) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("EN BÜYÜK VOLDA"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(8);
    setFont(font);
    // Opens at its own place, not centred; the size is that of the client area.
    move(kOpeningPosition);
    resize(kClientSize);
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
    Panel1 = new QLabel(QStringLiteral("Panel1"), client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(kPanelHeight);
    layout->addWidget(Panel1);

    BitBtn1 = new QPushButton(QStringLiteral("AÇ"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(16, 5, 49, 41);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);

    SpeedButton1 = new QToolButton(Panel1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("KAYDET"));
    SpeedButton1->setGeometry(80, 8, 57, 33);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);

    SpeedButton2 = new QToolButton(Panel1);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setGeometry(1000, 8, 25, 25);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);

    for (QToolButton* button : {SpeedButton1, SpeedButton2}) {
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::NoFocus);
    }

    PageControl1 = new QTabWidget(client);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1, 1);
    for (size_t i = 0; i < kPages.size(); ++i) {
        const Page& page = kPages[i];
        auto* sheet = new QWidget(PageControl1);
        sheet->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        auto* sheetLayout = new QVBoxLayout(sheet);
        sheetLayout->setContentsMargins(0, 0, 0, 0);

        auto* model = new GridModel(session_.workspace.grid(page.gridNumber), this);
        GridView* view = CreateGridView(model, page.sizing, sheet);
        view->setObjectName(QStringLiteral("StringGrid%1").arg(page.gridNumber));
        sheetLayout->addWidget(view);
        models_[Index(page.gridNumber)] = model;
        views_[Index(page.gridNumber)] = view;
        const std::string_view caption = PageCaption(page.gridNumber);
        PageControl1->addTab(
            sheet, QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    }
    PageControl1->setCurrentIndex(kFrontPage);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::fitPageOnScreen);
}

void TForm1::fitPageOnScreen() {
    const int index = PageControl1->currentIndex();
    if (index < 0 || static_cast<size_t>(index) >= kPages.size()) {
        return;
    }
    const Page& page = kPages[static_cast<size_t>(index)];
    bool& pending = fitPending_[Index(page.gridNumber)];
    if (pending && page.sizing != GridSizing::None) {
        pending = false;
        grid(page.gridNumber)->fitColumnsToRowsInView();
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
    runCommand(plotaktar::BitBtn1Click);
    // Coordinates readable at once: the page on screen now, every other page when it is shown.
    fitPending_.fill(true);
    fitPageOnScreen();
}

void TForm1::SpeedButton1Click() {
    runCommand(plotaktar::SpeedButton1Click);
}

void TForm1::SpeedButton2Click() {
    // Walks a fixed sentence and cuts out its blank-separated words, keeping none of them:
    // nothing is shown, stored or changed.
    static const std::string sentence =
        Cp1254FromUtf8("bu bir deneme program kodu olması için yazılmıştır");
    std::string_view rest = sentence;
    while (!rest.empty()) {
        const size_t blank = rest.find(kBlank);
        const std::string word(Trim(rest.substr(0, blank)));
        rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    }
}

}  // namespace plotaktar::app
