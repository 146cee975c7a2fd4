#include "render/sheet_file.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <deque>
#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "model/errors.h"
#include "model/output_files.h"
#include "platform/error.h"
#include "platform/replacing_file.h"
#include "render/pdf_deflate.h"
#include "render/svg_stream.h"

namespace plotaktar {

namespace {

// PDF pages are drawn at this many units an inch: a fiftieth of a millimetre.
constexpr int kPdfResolution = 1200;

// Qt's PDF writer writes into the temporary as it goes. A write error cannot pass through Qt's
// code, so it is kept and thrown once the painter has ended.
class ReplacingFileDevice : public QIODevice {
  public:
    explicit ReplacingFileDevice(platform::ReplacingFile& file) : file_(file) {
        open(QIODevice::WriteOnly);
    }
    bool isSequential() const override { return true; }
    void throwIfFailed() const {
        if (failed_) {
            throw *failed_;
        }
    }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (failed_) {
            return -1;
        }
        try {
            file_.write(std::string_view(data, static_cast<size_t>(size)));
        } catch (const FileError& e) {
            failed_ = e;
            return -1;
        }
        return size;
    }

  private:
    platform::ReplacingFile& file_;
    std::optional<FileError> failed_;
};

}  // namespace

std::vector<std::string> SheetFileNames(const std::string& path, PictureFormat format, int pages) {
    // Which formats put their pages apart is the formats' own declaration.
    const OutputFormatInfo* info = OutputFormatNamed(format == PictureFormat::Png   ? "png"
                                                     : format == PictureFormat::Svg ? "svg"
                                                                                    : "pdf");
    return FilesWritten(*info, path, pages);
}

std::string SheetTargetRefusal(const std::string& path, PictureFormat format, int pages) {
    const std::vector<std::string> names = SheetFileNames(path, format, pages);
    if (names.size() <= 1) {
        return {};
    }
    constexpr std::string_view kWhat = "sheets of several pages";
    if (std::string refusal = NonFileRefusal(kWhat, path); !refusal.empty()) {
        return refusal;
    }
    for (const std::string& name : names) {
        if (std::string refusal = NonFileRefusal(kWhat, name); !refusal.empty()) {
            return "its page " + name + " " + refusal;
        }
    }
    return {};
}

bool WriteSheets(const Drawing& drawing, const SheetPlan& plan, const SheetTexts& texts,
                 const RenderFilter& filter, PictureFormat format, int dpi, const std::string& path,
                 const std::function<void(const std::string&)>& temporaryChanged,
                 const std::atomic<bool>* cancel, const std::function<void(int)>& pageDone) {
    auto tell = [&](const std::string& temporary) {
        if (temporaryChanged) {
            temporaryChanged(temporary);
        }
    };
    const PageLayout& page = plan.page;
    const int pages = plan.pageCount();
    const std::vector<std::string> names = SheetFileNames(path, format, pages);
    if (const std::string refusal = SheetTargetRefusal(path, format, pages); !refusal.empty()) {
        throw Error(refusal);
    }
    std::vector<std::unique_ptr<platform::ReplacingFile>> files;
    size_t current = 0;  // the page whose file a failure is of
    auto done = [&](int p) {
        if (pageDone) {
            pageDone(p);
        }
    };
    try {
        if (format == PictureFormat::Pdf) {
            files.push_back(std::make_unique<platform::ReplacingFile>(path));
            tell(files.back()->temporaryPath());
            ReplacingFileDevice device(*files.back());
            bool cancelled = false;
            {
                const FastPdfStreams fast;
                constexpr double kUnitsPerMm = kPdfResolution / 25.4;
                // The fonts of the pages' texts, loaded here, where the PDF embeds them once its
                // painter ends.
                const RecordingFonts fonts(PaperUnits::Sheet(kUnitsPerMm, false));
                QPdfWriter pdf(&device);
                pdf.setResolution(kPdfResolution);
                pdf.setPageSize(
                    QPageSize(QSizeF(page.widthMm, page.heightMm), QPageSize::Millimeter));
                pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
                pdf.setCreator(QStringLiteral("plotaktar"));
                pdf.setTitle(texts.title);
                QPainter painter(&pdf);
                // Each page's map face is prepared on a second thread while the page before it
                // is written, which is the PDF engine's work, on this one: written as the page's
                // content in the PDF's own font, which holds every glyph the drawing's texts
                // need before the first face is begun.
                const std::unique_ptr<PdfFaceFont> faceFont = PdfFaceFont::Prepare(
                    painter, fonts.labels.rawFont(), fonts.names.rawFont(), BytesOfTexts(drawing));
                auto record = [&](int p) {
                    return RecordSheetFace(drawing, plan, p, kUnitsPerMm, fonts, filter, cancel,
                                           faceFont.get());
                };
                auto prepare = [&](int p) {
                    try {
                        return std::async(std::launch::async, record, p);
                    } catch (const std::system_error&) {
                        return std::async(std::launch::deferred, record, p);
                    }
                };
                // Two faces are made ahead where there are cores for them: the PDF engine's
                // share of a page (its content deflated, half of it on this thread) is less
                // than the making of a face, so one ahead left this thread waiting.
                const size_t ahead = std::thread::hardware_concurrency() > 1 ? 2 : 1;
                std::deque<std::future<RecordedFace>> coming;
                int queued = 0;
                auto queue = [&] {
                    while (queued < pages && coming.size() < ahead) {
                        coming.push_back(prepare(queued++));
                    }
                };
                queue();
                for (int p = 0; p < pages && !cancelled; ++p) {
                    // The page before is written out while this one's face is still being made.
                    if (p > 0) {
                        pdf.newPage();
                    }
                    RecordedFace face = coming.front().get();
                    coming.pop_front();
                    queue();
                    cancelled = PaintSheetPage(
                                    painter, drawing, plan, p, kUnitsPerMm, false, filter, texts,
                                    cancel, face.written || !face.picture.empty() ? &face : nullptr)
                                    .cancelled;
                    done(p);
                }
            }
            device.throwIfFailed();
            if (cancelled) {
                tell({});
                return false;
            }
        } else {
            for (int p = 0; p < pages; ++p) {
                current = static_cast<size_t>(p);
                files.push_back(
                    std::make_unique<platform::ReplacingFile>(names[static_cast<size_t>(p)]));
                tell(files.back()->temporaryPath());
                platform::ReplacingFile& file = *files.back();
                bool cancelled = false;
                if (format == PictureFormat::Svg) {
                    std::optional<FileError> failed;
                    {
                        SvgStream svg(
                            static_cast<int>(std::lround(page.widthMm)),
                            static_cast<int>(std::lround(page.heightMm)),
                            [&](std::string_view piece) {
                                if (!failed) {
                                    try {
                                        file.write(piece);
                                    } catch (const FileError& e) {
                                        failed = e;
                                    }
                                }
                            },
                            true);
                        QPainter painter(&svg);
                        cancelled = PaintSheetPage(painter, drawing, plan, p, 1.0, false, filter,
                                                   texts, cancel)
                                        .cancelled;
                    }
                    if (failed) {
                        throw *failed;
                    }
                } else {
                    const double perMm = PixelsPerMm(dpi);
                    QImage image(static_cast<int>(std::lround(page.widthMm * perMm)),
                                 static_cast<int>(std::lround(page.heightMm * perMm)),
                                 QImage::Format_RGB32);
                    if (image.isNull()) {
                        throw std::bad_alloc();
                    }
                    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
                    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
                    {
                        QPainter painter(&image);
                        cancelled = PaintSheetPage(painter, drawing, plan, p, perMm, true, filter,
                                                   texts, cancel)
                                        .cancelled;
                    }
                    if (!cancelled) {
                        QByteArray bytes;
                        QBuffer buffer(&bytes);
                        buffer.open(QIODevice::WriteOnly);
                        if (!image.save(&buffer, "PNG", 80)) {
                            throw Error("the picture could not be made");
                        }
                        file.write(
                            std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
                    }
                }
                if (cancelled) {
                    files.clear();
                    tell({});
                    return false;
                }
                done(p);
            }
        }
        // Every page complete on the disk before the first is put in place: a disk that fills
        // up leaves every old page as it was.
        for (current = 0; current < files.size(); ++current) {
            files[current]->finish();
        }
        for (current = 0; current < files.size(); ++current) {
            files[current]->commit();
        }
    } catch (FileError& e) {
        files.clear();
        tell({});
        if (e.file.empty() && current < names.size()) {
            e.file = names[current];
        }
        throw;
    } catch (...) {
        files.clear();
        tell({});
        throw;
    }
    tell({});
    return true;
}

}  // namespace plotaktar
