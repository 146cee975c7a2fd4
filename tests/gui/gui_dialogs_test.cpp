// The window's real dialogs and boxes: the file dialogs with their filters and remembered
// names, the message box, the import progress and the general error handler's box.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "gui_test_support.h"
#include "model/cp1254.h"
#include "model/errors.h"
#include "model/text.h"
#include "qt/translation.h"
#include "ui/ui_texts.h"

using plotaktar::Cp1254FromUtf8;
using plotaktar::OpenDialogId;
using plotaktar::OpenDialogState;
using plotaktar::app::TForm1;
using plotaktar::gui_testing::WhenModal;

namespace {

const std::string kGeometryFilter =
    Cp1254FromUtf8("Geçici plt Dosyaları (*.gplt) | *.gplt|Bütün dosyalar (*.*)|*.*");
const std::string kSaveFilter =
    Cp1254FromUtf8("plt Dosyaları (*.plt) | *.plt|Bütün dosyalar (*.*)|*.*");

QStringList FilterTexts(QFileDialog* dialog) {
    QStringList texts;
    auto* box = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; box && i < box->count(); ++i) {
        texts << box->itemText(i);
    }
    return texts;
}

int FilterIndex(QFileDialog* dialog) {
    auto* box = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    return box ? box->currentIndex() : -1;
}

// The patterns the dialog's file list is filtered by.
QStringList ListedPatterns(QFileDialog* dialog) {
    auto* model = dialog->findChild<QFileSystemModel*>();
    return model ? model->nameFilters() : QStringList{QStringLiteral("<no model>")};
}

QLineEdit* NameBox(QFileDialog* dialog) {
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

std::string Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void openDialogShowsFilterDescriptionsAndFiltersByPattern() {
        TForm1 form;
        auto& ui = form.windowUserInterface();
        OpenDialogState state;
        bool missed = false;
        QStringList texts, firstPatterns, secondPatterns;
        QFileDialog::FileMode mode{};
        QFileDialog::AcceptMode acceptMode{};
        bool readOnly = true;
        WhenModal<QFileDialog>(
            &form,
            [&](QFileDialog* dialog) {
                QCOMPARE(dialog->objectName(), QStringLiteral("OpenDialog1"));
                texts = FilterTexts(dialog);
                firstPatterns = ListedPatterns(dialog);
                mode = dialog->fileMode();
                acceptMode = dialog->acceptMode();
                readOnly = dialog->testOption(QFileDialog::ReadOnly);
                auto* box = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                box->setCurrentIndex(1);
                emit box->activated(1);
                secondPatterns = ListedPatterns(dialog);
                dialog->reject();
            },
            &missed);
        QVERIFY(!ui.runOpenDialog(OpenDialogId::Geometry, kGeometryFilter, state));
        QVERIFY(!missed);
        QCOMPARE(texts, QStringList({QStringLiteral("Geçici plt Dosyaları (*.gplt) "),
                                     QStringLiteral("Bütün dosyalar (*.*)")}));
        QCOMPARE(firstPatterns, QStringList{QStringLiteral("*.gplt")});
        // "All files" lists names without an extension too.
        QCOMPARE(secondPatterns, QStringList{QStringLiteral("*")});
        QCOMPARE(mode, QFileDialog::AnyFile);
        QCOMPARE(acceptMode, QFileDialog::AcceptOpen);
        QVERIFY(!readOnly);
        // A cancel keeps the empty name and the first entry.
        QCOMPARE(state.fileName, std::string());
        QCOMPARE(state.filterIndex, 0);
    }

    void openDialogRemembersConfirmedNameAndFilter() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        TForm1 form;
        auto& ui = form.windowUserInterface();
        OpenDialogState& state = form.session().labelDialog;
        state.fileName = Bytes(dir.filePath(QStringLiteral("eski şev.yaz")));
        state.filterIndex = 1;
        const std::string labelFilter =
            Cp1254FromUtf8("yazı Dosyaları (*.yaz) | *.yaz|Bütün dosyalar (*.*)|*.*");

        // Opens with the remembered name and entry; a typed name that does not exist, in a
        // folder that does not exist, is accepted.
        bool missed = false;
        QString shownName, shownDirectory;
        int shownFilter = -1;
        const QString typed = dir.filePath(QStringLiteral("yok/yeni.yaz"));
        WhenModal<QFileDialog>(
            &form,
            [&](QFileDialog* dialog) {
                shownName = NameBox(dialog)->text();
                shownDirectory = dialog->directory().absolutePath();
                shownFilter = FilterIndex(dialog);
                NameBox(dialog)->setText(typed);
                static_cast<QDialog*>(dialog)->accept();
            },
            &missed);
        QVERIFY(ui.runOpenDialog(OpenDialogId::Labels, labelFilter, state));
        QVERIFY(!missed);
        QCOMPARE(shownName, QStringLiteral("eski şev.yaz"));
        QCOMPARE(shownDirectory, QDir(dir.path()).absolutePath());
        QCOMPARE(shownFilter, 1);
        QCOMPARE(state.fileName, Bytes(typed));
        QCOMPARE(state.filterIndex, 1);

        // A cancel after typing something else changes nothing, and the next run opens with
        // the remembered name again.
        WhenModal<QFileDialog>(
            &form,
            [&](QFileDialog* dialog) {
                NameBox(dialog)->setText(QStringLiteral("baska.yaz"));
                auto* box = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                box->setCurrentIndex(0);
                dialog->reject();
            },
            &missed);
        QVERIFY(!ui.runOpenDialog(OpenDialogId::Labels, labelFilter, state));
        QCOMPARE(state.fileName, Bytes(typed));
        QCOMPARE(state.filterIndex, 1);
        WhenModal<QFileDialog>(
            &form,
            [&](QFileDialog* dialog) {
                shownName = NameBox(dialog)->text();
                shownDirectory = dialog->directory().absolutePath();
                shownFilter = FilterIndex(dialog);
                dialog->reject();
            },
            &missed);
        QVERIFY(!ui.runOpenDialog(OpenDialogId::Labels, labelFilter, state));
        QVERIFY(!missed);
        // The remembered folder does not exist, so the name shows relative to the folder
        // the dialog could open; together they are the remembered path.
        QCOMPARE(QDir(shownDirectory).filePath(shownName), typed);
        QCOMPARE(shownFilter, 1);

        // Each dialog keeps its own state: OpenDialog1 still opens empty.
        WhenModal<QFileDialog>(
            &form,
            [&](QFileDialog* dialog) {
                shownName = NameBox(dialog)->text();
                dialog->reject();
            },
            &missed);
        QVERIFY(!ui.runOpenDialog(OpenDialogId::Geometry, kGeometryFilter,
                                  form.session().geometryDialog));
        QCOMPARE(shownName, QString());
    }

    void saveDialogNeitherPromptsNorAppendsExtension() {
        QTemporaryDir dir;
        QFile existing(dir.filePath(QStringLiteral("var.plt")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        TForm1 form;
        auto& ui = form.windowUserInterface();
        bool missed = false;
        bool prompted = false;
        QStringList texts;
        QString suffix = QStringLiteral("<unset>");
        QFileDialog::AcceptMode mode{};

        for (const QString& name : {QStringLiteral("cikti"), QStringLiteral("var.plt")}) {
            WhenModal<QFileDialog>(
                &form,
                [&](QFileDialog* dialog) {
                    QCOMPARE(dialog->objectName(), QStringLiteral("SaveDialog1"));
                    texts = FilterTexts(dialog);
                    suffix = dialog->defaultSuffix();
                    mode = dialog->acceptMode();
                    dialog->setDirectory(dir.path());
                    NameBox(dialog)->setText(name);
                    // An overwrite prompt would open on top of the dialog: note and close it.
                    WhenModal<QMessageBox>(
                        &form,
                        [&](QMessageBox* box) {
                            prompted = true;
                            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                                yes->click();
                            } else {
                                box->reject();
                            }
                        },
                        nullptr, 5);
                    static_cast<QDialog*>(dialog)->accept();
                },
                &missed);
            std::string fileName;
            QVERIFY(ui.runSaveDialog(kSaveFilter, fileName));
            QVERIFY(!missed);
            QCOMPARE(fileName, Bytes(dir.filePath(name)));
        }
        QVERIFY(!prompted);
        QCOMPARE(mode, QFileDialog::AcceptSave);
        QCOMPARE(suffix, QString());
        QCOMPARE(texts, QStringList({QStringLiteral("plt Dosyaları (*.plt) "),
                                     QStringLiteral("Bütün dosyalar (*.*)")}));

        // A cancel returns false and leaves the name alone.
        WhenModal<QFileDialog>(
            &form, [](QFileDialog* dialog) { dialog->reject(); }, &missed);
        std::string fileName = "unchanged";
        QVERIFY(!ui.runSaveDialog(kSaveFilter, fileName));
        QCOMPARE(fileName, std::string("unchanged"));
    }

    void dialogsSayWhatTheyAskForAndOpenWhereTheUserWas() {
        QTemporaryDir dir;
        TForm1 form;
        auto& ui = form.windowUserInterface();
        bool missed = false;
        QStringList titles, folders, names;
        auto note = [&](QFileDialog* dialog, const QString& typed) {
            titles << dialog->windowTitle();
            folders << dialog->directory().absolutePath();
            names << NameBox(dialog)->text();
            if (typed.isEmpty()) {
                dialog->reject();
            } else {
                NameBox(dialog)->setText(typed);
                static_cast<QDialog*>(dialog)->accept();
            }
        };
        const QString geometry = dir.filePath(QStringLiteral("pafta.gplt"));
        WhenModal<QFileDialog>(
            &form, [&](QFileDialog* d) { note(d, geometry); }, &missed);
        QVERIFY(ui.runOpenDialog(OpenDialogId::Geometry, kGeometryFilter,
                                 form.session().geometryDialog));
        WhenModal<QFileDialog>(
            &form, [&](QFileDialog* d) { note(d, QString()); }, &missed);
        QVERIFY(
            !ui.runOpenDialog(OpenDialogId::Labels, kGeometryFilter, form.session().labelDialog));
        std::string saveName;
        WhenModal<QFileDialog>(
            &form, [&](QFileDialog* d) { note(d, QString()); }, &missed);
        QVERIFY(!ui.runSaveDialog(kSaveFilter, saveName));
        QVERIFY(!missed);
        QCOMPARE(titles[0], QStringLiteral("Geometri dosyasını seçin (.gplt)"));
        QCOMPARE(titles[1], QStringLiteral("Yazı dosyasını seçin (.yaz)"));
        QVERIFY(!titles[2].isEmpty() && !titles[2].contains(QStringLiteral("seçin")));
        // OpenDialog2 and SaveDialog1 open beside the geometry file, with no name filled in.
        const QString folder = QDir(dir.path()).absolutePath();
        QCOMPARE(folders.mid(1), QStringList({folder, folder}));
        QCOMPARE(names.mid(1), QStringList({QString(), QString()}));
    }

    void qtTextsAreTurkish() {
        QVERIFY2(plotaktar::LoadQtTurkish(*QCoreApplication::instance()),
                 "qtbase_tr from qt6-translations-l10n is not installed");
        QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text().remove(u'&'), QStringLiteral("Tamam"));
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.show();
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text().remove(u'&'),
                 QStringLiteral("Aç"));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text().remove(u'&'),
                 QStringLiteral("İptal"));
    }

    void messageBoxIsModalWithTitleAndOneButton() {
        TForm1 form;
        bool missed = false;
        QString text, title;
        QMessageBox::Icon icon{};
        QList<QAbstractButton*> buttons;
        bool modal = false;
        WhenModal<QMessageBox>(
            &form,
            [&](QMessageBox* box) {
                text = box->text();
                title = box->windowTitle();
                icon = box->icon();
                buttons = box->buttons();
                modal = box->isModal();
                box->button(QMessageBox::Ok)->click();
            },
            &missed);
        form.windowUserInterface().showMessage(Cp1254FromUtf8("dosya açıldı"));
        QVERIFY(!missed);
        QCOMPARE(text, QStringLiteral("dosya açıldı"));
        QCOMPARE(title, plotaktar::app::ApplicationTitleText());
        QCOMPARE(title, QStringLiteral("Gui_dialogs_test"));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons.size(), 1);
        QVERIFY(modal);
    }

    void errorHandlerShowsMessageWithFullStopAndGoesOn() {
        TForm1 form;
        bool missed = false;
        QString text, title;
        QMessageBox::Icon icon{};
        auto expectBox = [&] {
            WhenModal<QMessageBox>(
                &form,
                [&](QMessageBox* box) {
                    text = box->text();
                    title = box->windowTitle();
                    icon = box->icon();
                    box->button(QMessageBox::Ok)->click();
                },
                &missed);
        };

        // The command appends a row before it fails: the row stays and the view shows it.
        expectBox();
        form.runCommand([](plotaktar::Session& session, plotaktar::UserInterface&) {
            int counter = 0;
            plotaktar::AppendGridRow(session.workspace.grid(1), counter);
            throw plotaktar::Error(Cp1254FromUtf8("'x' geçerli bir tabaka numarası değil"));
        });
        QVERIFY(!missed);
        QCOMPARE(text, QStringLiteral("'x' geçerli bir tabaka numarası değil."));
        QCOMPARE(title, plotaktar::app::ApplicationTitleText());
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(form.model(1)->rowCount(), 1);

        // Any exception reaches the same box; a message ending in ")" gets no full stop.
        expectBox();
        form.runCommand([](plotaktar::Session&, plotaktar::UserInterface&) {
            throw std::runtime_error("I/O error (5)");
        });
        QCOMPARE(text, QStringLiteral("I/O error (5)"));

        // The program goes on: the next command runs and shows no error.
        bool ran = false;
        form.runCommand([&](plotaktar::Session&, plotaktar::UserInterface&) { ran = true; });
        QVERIFY(ran);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void progressShowsOnlyForLongImports() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto& ui = form.windowUserInterface();

        ui.beginCommand();
        ui.importProgress("pafta.gplt", 0, 1000);
        ui.importProgress("pafta.gplt", 1000, 1000);
        QVERIFY(!ui.progressDialog());
        ui.endCommand();

        ui.beginCommand();
        ui.importProgress("pafta.gplt", 0, 4'000'000);
        QTest::qSleep(plotaktar::app::WindowUserInterface::kProgressDelayMs + 100);
        ui.importProgress(Bytes(QStringLiteral("büyük.gplt")), 1'000'000, 4'000'000);
        QProgressDialog* progress = ui.progressDialog();
        QVERIFY(progress);
        QVERIFY(progress->isVisible());
        QVERIFY(progress->isModal());
        QVERIFY(progress->labelText().contains(QStringLiteral("büyük.gplt")));
        QCOMPARE(progress->value() * 4, progress->maximum());
        QVERIFY(progress->findChildren<QPushButton*>().isEmpty());
        // Escape does not end it: the import cannot be abandoned half way.
        QTest::keyClick(progress, Qt::Key_Escape);
        QVERIFY(progress->isVisible());
        // A box of the command comes with the progress dialog gone.
        bool progressGone = false;
        bool missed = false;
        WhenModal<QMessageBox>(
            &form,
            [&](QMessageBox* box) {
                progressGone = !ui.progressDialog();
                box->button(QMessageBox::Ok)->click();
            },
            &missed);
        ui.showMessage(Cp1254FromUtf8("dosya açıldı"));
        QVERIFY(!missed);
        QVERIFY(progressGone);
        ui.endCommand();
        QVERIFY(!ui.progressDialog());
    }
};

QTEST_MAIN(DialogsTest)
#include "gui_dialogs_test.moc"
