#include "viewer/system_texts.h"

#include <utility>

namespace plotaktar::viewer {

QString TurkishCause(const QString& message) {
    static const std::pair<const char*, const char*> kCauses[] = {
        {"No such file or directory", "böyle bir dosya yok"},
        {"Permission denied", "erişim izni yok"},
        {"Is a directory", "bu bir klasör"},
        {"Not a directory", "yolun bir parçası klasör değil"},
        {"not a regular file", "düzenli bir dosya değil"},
        {"cannot be read", "okunamıyor"},
        {"changed while it was read", "okunurken değişti"},
        {"Input/output error", "giriş/çıkış hatası"},
        {"No space left on device", "diskte yer kalmadı"},
        {"Read-only file system", "dosya sistemi salt okunur"},
        {"File name too long", "dosya adı çok uzun"},
        {"Too many open files", "açık dosya sayısı sınırda"},
        {"Out of memory", "bellek yetmedi"},
    };
    for (const auto& [english, turkish] : kCauses) {
        const QLatin1String cause(english);
        if (message == cause) {
            return QString::fromUtf8(turkish);
        }
        if (message.endsWith(QLatin1String(": ") + cause)) {
            return message.left(message.size() - cause.size()) + QString::fromUtf8(turkish);
        }
    }
    return message;
}

}  // namespace plotaktar::viewer
