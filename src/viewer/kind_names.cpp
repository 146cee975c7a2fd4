#include "viewer/kind_names.h"

namespace plotaktar::viewer {

QString KindName(FeatureKind kind) {
    static const char* const kNames[kFeatureKinds] = {"Nirengi", "Poligon",    "Nokta",
                                                      "Hat",     "Ada Parsel", "Yazı"};
    const int k = static_cast<int>(kind);
    return k >= 0 && k < kFeatureKinds ? QString::fromUtf8(kNames[k]) : QString();
}

QString PageCaption(int table) {
    // By table number; the window's tab captions, whose order differs.
    static const char* const kCaptions[] = {
        "Nirengi",    "poligon", "Nokta", "Tabaka",          "Hat",       "Yazı",     "Sembol",
        "Ada Parsel", "Bina",    "Şev",   "Ada Parsel Köşe", "bina köşe", "şev köşe",
    };
    return table >= 1 && table <= static_cast<int>(std::size(kCaptions))
               ? QString::fromUtf8(kCaptions[table - 1])
               : QString();
}

}  // namespace plotaktar::viewer
