// Writes a synthetic survey drawing of N geometry records for the benchmarks: BASE.gplt,
// BASE.yaz (about N/10 labels) and BASE.yfn (about N/20 labels). The same N and seed always
// give the same bytes.
//
// The drawing is well formed throughout: layer records 1, 2, 3, ... first, every layer number
// names one of them, every parcel is followed by its 3 to 8 corner lines, every label line has
// its layer right-aligned in the last three characters. So an import reports no failing record
// and an export writes every section.

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/cp1254.h"

namespace {

// splitmix64: small, fast and the same on every platform, unlike the standard distributions.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    int64_t range(int64_t lo, int64_t hi) {
        return lo + static_cast<int64_t>(next() % static_cast<uint64_t>(hi - lo + 1));
    }
    bool chance(int percent) { return range(1, 100) <= percent; }
    template <class T>
    const T& pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(range(0, static_cast<int64_t>(items.size()) - 1))];
    }

  private:
    uint64_t state_;
};

// A file written through one large buffer.
class Output {
  public:
    explicit Output(const std::string& path) : path_(path), tmp_(path + ".part") {
        file_ = std::fopen(tmp_.c_str(), "wb");
        if (file_ == nullptr) {
            throw std::runtime_error(tmp_ + ": " + std::strerror(errno));
        }
        buf_.reserve(kChunk + 4096);
    }
    ~Output() {
        if (file_ != nullptr) {
            std::fclose(file_);
            std::remove(tmp_.c_str());
        }
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    Output& put(std::string_view text) {
        buf_.append(text);
        return *this;
    }
    Output& put(char c) {
        buf_.push_back(c);
        return *this;
    }
    Output& num(int64_t value) {
        char digits[24];
        auto result = std::to_chars(digits, digits + sizeof digits, value);
        buf_.append(digits, result.ptr);
        return *this;
    }
    // A value given in hundredths, written with two decimals: 451234567 -> 4512345.67.
    Output& fixed2(int64_t hundredths) {
        num(hundredths / 100).put('.');
        int64_t cents = hundredths % 100;
        buf_.push_back(static_cast<char>('0' + cents / 10));
        buf_.push_back(static_cast<char>('0' + cents % 10));
        return *this;
    }
    // Ends a record line with CR LF, as the drawing programs write them.
    void endLine() {
        buf_.append("\r\n");
        ++lines_;
        if (buf_.size() >= kChunk) {
            flush();
        }
    }
    // Writes the rest and renames the finished file into place, so that an interrupted run
    // never leaves a file that looks complete.
    uint64_t finish() {
        flush();
        if (std::fclose(file_) != 0) {
            file_ = nullptr;
            throw std::runtime_error(tmp_ + ": " + std::strerror(errno));
        }
        file_ = nullptr;
        if (std::rename(tmp_.c_str(), path_.c_str()) != 0) {
            throw std::runtime_error(path_ + ": " + std::strerror(errno));
        }
        return lines_;
    }

  private:
    static constexpr size_t kChunk = 1 << 20;
    void flush() {
        if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size()) {
            throw std::runtime_error(tmp_ + ": " + std::strerror(errno));
        }
        buf_.clear();
    }

    std::string path_;
    std::string tmp_;
    std::FILE* file_ = nullptr;
    std::string buf_;
    uint64_t lines_ = 0;
};

std::vector<std::string> Encoded(std::initializer_list<const char*> utf8) {
    std::vector<std::string> out;
    for (const char* text : utf8) {
        out.push_back(plotaktar::Cp1254FromUtf8(text));
    }
    return out;
}

// Layer names are single words: a blank would shift the layer record's fields.
const std::vector<std::string>& LayerNames() {
    static const std::vector<std::string> names = Encoded({
        "SINIR",     "PARSEL",       "BİNA",     "YOL",     "YOL_KENARI", "ŞEV",    "DERE",
        "GÖL",       "KÖPRÜ",        "DUVAR",    "ÇİT",     "AĞAÇ",       "DİREK",  "ELEKTRİK",
        "SU_HATTI",  "KANALİZASYON", "NİRENGİ",  "POLİGON", "YAZI",       "ADA_NO", "PARSEL_NO",
        "MEZARLIK",  "CAMİ",         "OKUL",     "TARLA",   "BAĞ",        "BAHÇE",  "ZEYTİNLİK",
        "FINDIKLIK", "ORMAN",        "ÇAYIR",    "KAYALIK", "EŞYÜKSELTİ", "KOT",    "HENDEK",
        "İSTİNAT",   "KALDIRIM",     "MERDİVEN", "ÇEŞME",   "KUYU",       "TRAFO",  "DOĞALGAZ",
    });
    return names;
}

const std::vector<std::string>& LabelTexts() {
    static const std::vector<std::string> texts = Encoded({
        "Atatürk Caddesi",
        "Cumhuriyet Meydanı",
        "Şehit Öğretmen Sokağı",
        "Çamlık Sokağı",
        "İnönü Bulvarı",
        "Değirmen Deresi",
        "Gölbaşı Mevkii",
        "Köprübaşı",
        "Mezarlık",
        "Cami",
        "İlkokul",
        "Sağlık Ocağı",
        "Çeşme",
        "Fındıklık",
        "Zeytinlik",
        "Üzüm Bağı",
        "Kayalık",
        "Orman Sınırı",
        "Su Deposu",
        "Trafo",
        "Muhtarlık",
        "Ilıca Yolu",
        "Yeşilyurt Mahallesi",
        "Güneşli Tepe",
    });
    return texts;
}

// Coordinates of a district some 25 km across: X like 4512345.67, Y like 512345.67.
struct Point {
    int64_t number;
    int64_t x;  // hundredths
    int64_t y;
    int64_t z;
};

class Drawing {
  public:
    // A parcel-heavy drawing (most records parcels with their corners) tests the growth of
    // the corner table, which has one column per parcel. A drawing of blocks draws its parcels
    // as a surveyor's are: blocks of adjacent quadrilaterals sharing their corners, each with a
    // declared area close to its corners' (a few off), and symbols on detail points.
    // A drawing of stars holds nothing but crossed parcels, each overlapping its neighbours:
    // the dearest drawing of its size for the check's parcel geometry.
    Drawing(uint64_t records, uint64_t seed, bool parcelHeavy, bool blocks = false,
            bool stars = false)
        : records_(records),
          rnd_(seed),
          parcelHeavy_(parcelHeavy),
          blocks_(blocks),
          stars_(stars) {}

    void write(const std::string& base) {
        writeGeometry(base + ".gplt");
        writeLabels(base + ".yaz");
        writeCompanion(base + ".yfn");
    }

  private:
    // A drawing of blocks covers 7 km, so that no feature lies 5 km from its middle.
    Point newPoint() {
        const int64_t across = blocks_ ? 700000 : 2500000;
        Point p{++pointNumber_, 450000000 + rnd_.range(0, across), 50000000 + rnd_.range(0, across),
                rnd_.range(5000, 150000)};
        return p;
    }
    int64_t layer() { return rnd_.range(1, layers_); }
    // Most lines are written with single blanks; a few come with padded columns.
    void sep(Output& out) { out.put(padded_ ? "   " : " "); }

    void writeGeometry(const std::string& path) {
        Output out(path);
        layers_ = rnd_.range(20, 150);
        if (static_cast<uint64_t>(layers_) > records_) {
            layers_ = static_cast<int64_t>(records_ > 0 ? records_ : 1);
        }
        uint64_t written = 0;
        if (stars_) {
            layers_ = 1;
        }
        for (int64_t i = 1; i <= layers_ && written < records_; ++i, ++written) {
            const auto& names = LayerNames();
            std::string name = names[static_cast<size_t>(i - 1) % names.size()];
            if (static_cast<size_t>(i) > names.size()) {
                name += "_" + std::to_string((i - 1) / static_cast<int64_t>(names.size()) + 1);
            }
            out.put("tab ").num(i).put(' ').put(rnd_.chance(90) ? "1" : "0").put(' ').put(name);
            out.put(' ').num(rnd_.range(1, 255)).put(' ').num(rnd_.range(0, 9));
            out.put(' ').num(rnd_.range(0, 1)).put(" 0.").num(rnd_.range(10, 99));
            out.endLine();
        }
        while (stars_ && written < records_) {
            written += starParcel(out, records_ - written);
        }
        while (written < records_) {
            padded_ = rnd_.range(1, 16) == 1;
            // Weights in tenths of a percent; parcels bring their corner lines (5.5 on
            // average), so detail points and lines stay the bulk of the file.
            int64_t r = rnd_.range(1, 890);
            if (parcelHeavy_ && r <= 800 && rnd_.chance(75)) {
                r = 830;
            }
            uint64_t left = records_ - written;
            if (r <= 400) {
                detailPoint(out);
            } else if (r <= 800) {
                line(out);
            } else if (r <= 804) {
                controlPoint(out, "nir");
            } else if (r <= 825) {
                controlPoint(out, "pol");
            } else if (r <= 845 && left >= 4) {
                written += (blocks_ && left >= 5 ? blockParcel(out) : parcel(out, left)) - 1;
            } else if (r <= 870) {
                symbol(out);
            } else if (r <= 885) {
                building(out);
            } else if (r <= 890) {
                slope(out);
            } else {
                detailPoint(out);
            }
            ++written;
        }
        std::fprintf(stderr, "%s: %llu lines\n", path.c_str(),
                     static_cast<unsigned long long>(out.finish()));
    }

    void coordinates(Output& out, const Point& p) {
        out.fixed2(p.x);
        sep(out);
        out.fixed2(p.y);
        sep(out);
        out.fixed2(p.z);
    }

    void detailPoint(Output& out) {
        Point p = newPoint();
        previousDetail_ = lastDetail_;
        lastDetail_ = p;
        out.put("nok ").num(p.number);
        sep(out);
        coordinates(out, p);
        sep(out);
        out.num(layer()).endLine();
    }

    void controlPoint(Output& out, const char* kind) {
        Point p = newPoint();
        out.put(kind).put(' ').num(blocks_ ? ++controlNumber_ : rnd_.range(1, 9999));
        sep(out);
        coordinates(out, p);
        sep(out);
        out.num(layer()).endLine();
    }

    // A line: its end points' numbers, then y, x, z of each end.
    void line(Output& out) {
        Point a = newPoint();
        Point b{a.number + 1, a.x + rnd_.range(-5000, 5000), a.y + rnd_.range(-5000, 5000),
                a.z + rnd_.range(-300, 300)};
        if (blocks_ && previousDetail_.number > 0) {
            // Between the last two detail points, as a surveyor joins them.
            a = previousDetail_;
            b = lastDetail_;
        }
        out.put("hat ").num(a.number);
        sep(out);
        out.fixed2(a.y).put(' ').fixed2(a.x).put(' ').fixed2(a.z).put(' ').num(b.number);
        sep(out);
        out.fixed2(b.y).put(' ').fixed2(b.x).put(' ').fixed2(b.z);
        sep(out);
        out.num(layer()).endLine();
    }

    void symbol(Output& out) {
        out.put("sem ").num(blocks_ && lastDetail_.number > 0 ? lastDetail_.number
                                                              : ++pointNumber_);
        out.put(' ').num(rnd_.range(1, 60));
        out.put(" 1.00 1.00 ").fixed2(rnd_.range(0, 39999));
        sep(out);
        out.num(layer()).endLine();
    }

    void building(Output& out) {
        out.put("bin ").num(++building_).put(' ').fixed2(rnd_.range(50, 300)).put(' ');
        out.fixed2(rnd_.range(0, 19999)).put(' ').num(rnd_.range(1, 12)).put(' ');
        out.fixed2(rnd_.range(4000, 150000));
        sep(out);
        out.num(layer()).endLine();
    }

    void slope(Output& out) {
        out.put("sev ").num(++slope_).put(' ').num(rnd_.range(1, 4)).put(' ');
        out.num(rnd_.range(0, 1)).put(' ').fixed2(rnd_.range(50, 500)).put(' ');
        out.fixed2(rnd_.range(1000, 500000));
        sep(out);
        out.num(layer()).endLine();
    }

    // A parcel record and its corner lines, which begin with the block and parcel number and
    // carry a point number, y, x and z. Returns the number of lines written.
    uint64_t parcel(Output& out, uint64_t left) {
        if (parcelNo_ == 0 || rnd_.chance(8)) {
            block_ = rnd_.range(100, 9999);
            parcelNo_ = 0;
        }
        ++parcelNo_;
        int64_t layerNo = layer();
        out.put("par ").num(block_).put(' ').num(parcelNo_).put(' ');
        out.fixed2(rnd_.range(5000, 5000000));
        sep(out);
        out.num(layerNo).endLine();
        uint64_t corners = static_cast<uint64_t>(rnd_.range(3, 8));
        if (corners > left - 1) {
            corners = left - 1;
        }
        Point centre = newPoint();
        for (uint64_t k = 0; k < corners; ++k) {
            out.num(block_).put(' ').num(parcelNo_).put(' ').num(++pointNumber_).put(' ');
            out.fixed2(centre.y + rnd_.range(-4000, 4000)).put(' ');
            out.fixed2(centre.x + rnd_.range(-4000, 4000)).put(' ').fixed2(centre.z);
            out.endLine();
        }
        return corners + 1;
    }

    // A star {11/5} 20 m across, its sides crossing each other 44 times, 5 m east of the one
    // before it, in rows of 100 stars 40 m apart: each overlaps the three before and after it.
    // Writes the parcel record and up to 11 corner lines; returns the lines written.
    uint64_t starParcel(Output& out, uint64_t left) {
        constexpr int kCorners = 11, kStep = 5;
        const int64_t star = starCount_++;
        const int64_t east = 50000000 + (star % 100) * 500;
        const int64_t north = 450000000 + (star / 100) * 4000;
        out.put("par ").num(100 + star / 100).put(' ').num(1 + star % 100).put(" 314.16 1");
        out.endLine();
        uint64_t written = 1;
        for (int c = 0; c < kCorners && written < left; ++c, ++written) {
            const double angle = 2 * 3.14159265358979323846 * (c * kStep % kCorners) / kCorners;
            out.num(100 + star / 100).put(' ').num(1 + star % 100).put(' ').num(++pointNumber_);
            out.put(' ').fixed2(east + std::llround(1000 * std::cos(angle))).put(' ');
            out.fixed2(north + std::llround(1000 * std::sin(angle))).put(" 0.00").endLine();
        }
        return written;
    }

    // The next parcel of the current block, a new block when it is used up. A block is a row
    // of 5 to 10 parcels, two deep, on a grid of corners shared by its neighbours (jittered
    // inside); blocks lie in slots of 330 x 90 m across the 7 km, so that they do not overlap.
    // Writes the parcel record and its four corner lines; returns 5.
    uint64_t blockParcel(Output& out) {
        if (blockLeft_ == 0) {
            blockCols_ = rnd_.range(5, 10);
            const int64_t width = rnd_.range(1500, 3000), depth = rnd_.range(2000, 3900);
            const int64_t slot = slot_++ % (21 * 77);
            const int64_t originX = 450000000 + (slot / 21) * 9000;
            const int64_t originY = 50000000 + (slot % 21) * 33000;
            grid_.assign(static_cast<size_t>((blockCols_ + 1) * 3), {});
            for (int64_t r = 0; r <= 2; ++r) {
                for (int64_t c = 0; c <= blockCols_; ++c) {
                    const bool inside = c > 0 && c < blockCols_;
                    Point& p = grid_[static_cast<size_t>(r * (blockCols_ + 1) + c)];
                    p.number = ++pointNumber_;
                    p.x = originX + r * depth + (inside && r == 1 ? rnd_.range(-100, 100) : 0);
                    p.y = originY + c * width + (inside ? rnd_.range(-100, 100) : 0);
                    p.z = rnd_.range(5000, 150000);
                }
            }
            block_ = 100 + slot_;  // each block its own number
            parcelNo_ = 0;
            blockLeft_ = 2 * blockCols_;
        }
        const int64_t k = 2 * blockCols_ - blockLeft_--;
        const int64_t r = k / blockCols_, c = k % blockCols_;
        auto at = [&](int64_t row, int64_t col) -> const Point& {
            return grid_[static_cast<size_t>(row * (blockCols_ + 1) + col)];
        };
        const Point* corners[4] = {&at(r, c), &at(r, c + 1), &at(r + 1, c + 1), &at(r + 1, c)};
        // Twice the area in square hundredths, by the shoelace formula.
        int64_t twice = 0;
        for (int i = 0; i < 4; ++i) {
            const Point& a = *corners[i];
            const Point& b = *corners[(i + 1) % 4];
            twice += a.y * b.x - b.y * a.x;
        }
        int64_t area = (twice < 0 ? -twice : twice) / 200;  // hundredths of m²
        if (rnd_.chance(3)) {
            area = area * rnd_.range(90, 110) / 100;  // a declared area gone wrong
        }
        ++parcelNo_;
        out.put("par ").num(block_).put(' ').num(parcelNo_).put(' ').fixed2(area);
        sep(out);
        out.num(layer()).endLine();
        for (const Point* p : corners) {
            out.num(block_).put(' ').num(parcelNo_).put(' ').num(p->number).put(' ');
            out.fixed2(p->y).put(' ').fixed2(p->x).put(' ').fixed2(p->z);
            out.endLine();
        }
        return 5;
    }

    std::string labelText() {
        switch (rnd_.range(0, 3)) {
            case 0:
                return "ADA " + std::to_string(rnd_.range(100, 9999));
            case 1:
                return std::to_string(rnd_.range(100, 9999)) + "/" +
                       std::to_string(rnd_.range(1, 80));
            default:
                return rnd_.pick(LabelTexts());
        }
    }

    // x y angle size text, the layer number right-aligned in the last three characters.
    void writeLabels(const std::string& path) {
        static const std::vector<int64_t> kSizes{100, 150, 200, 250, 300, 500};
        Output out(path);
        uint64_t count = records_ / 10;
        for (uint64_t i = 0; i < count; ++i) {
            Point p = newPoint();
            out.fixed2(p.x).put(' ').fixed2(p.y).put(' ').fixed2(rnd_.range(0, 39999)).put(' ');
            out.fixed2(rnd_.pick(kSizes)).put(' ');
            out.put(labelText());
            char layerField[8];
            std::snprintf(layerField, sizeof layerField, " %3d", static_cast<int>(layer()));
            out.put(layerField).endLine();
        }
        std::fprintf(stderr, "%s: %llu lines\n", path.c_str(),
                     static_cast<unsigned long long>(out.finish()));
    }

    // font x y height width angle layer italic centred text.
    void writeCompanion(const std::string& path) {
        static const std::vector<std::string> fonts{"Ovalt", "Romans", "Simplex", "Arial"};
        Output out(path);
        uint64_t count = records_ / 20;
        for (uint64_t i = 0; i < count; ++i) {
            Point p = newPoint();
            int64_t height = rnd_.range(100, 500);
            out.put(rnd_.pick(fonts)).put(' ').fixed2(p.x).put(' ').fixed2(p.y).put(' ');
            out.fixed2(height).put(' ').fixed2(rnd_.chance(80) ? height : height * 3 / 4);
            out.put(' ').fixed2(rnd_.range(0, 39999)).put(' ').num(layer()).put(' ');
            out.num(rnd_.range(0, 1)).put(' ').num(rnd_.range(0, 1)).put(' ').put(labelText());
            out.endLine();
        }
        std::fprintf(stderr, "%s: %llu lines\n", path.c_str(),
                     static_cast<unsigned long long>(out.finish()));
    }

    uint64_t records_;
    Random rnd_;
    int64_t layers_ = 1;
    int64_t pointNumber_ = 0;
    int64_t building_ = 0;
    int64_t slope_ = 0;
    int64_t block_ = 0;
    int64_t parcelNo_ = 0;
    bool padded_ = false;
    bool parcelHeavy_;
    bool blocks_;
    bool stars_;
    int64_t starCount_ = 0;
    Point lastDetail_{};
    Point previousDetail_{};
    int64_t controlNumber_ = 0;
    int64_t slot_ = 0;
    int64_t blockCols_ = 0;
    int64_t blockLeft_ = 0;
    std::vector<Point> grid_;
};

bool ParseNumber(const char* text, uint64_t& value) {
    const char* end = text + std::strlen(text);
    auto result = std::from_chars(text, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t records = 0;
    uint64_t seed = 1;
    bool parcelHeavy = argc == 5 && std::string_view(argv[4]) == "parcels";
    bool blocks = argc == 5 && std::string_view(argv[4]) == "blocks";
    bool stars = argc == 5 && std::string_view(argv[4]) == "stars";
    if ((argc != 4 && !parcelHeavy && !blocks && !stars) || !ParseNumber(argv[1], records) ||
        !ParseNumber(argv[2], seed)) {
        std::fprintf(stderr,
                     "usage: gen_drawing RECORDS SEED BASE [parcels|blocks|stars]\n"
                     "writes BASE.gplt (RECORDS lines), BASE.yaz and BASE.yfn; with 'parcels'\n"
                     "most records are parcels with their corner lines; with 'blocks' the\n"
                     "parcels lie in blocks of neighbours sharing their corners; with 'stars'\n"
                     "the geometry is crossed star parcels, each overlapping its neighbours\n");
        return 2;
    }
    try {
        Drawing(records, seed, parcelHeavy, blocks, stars).write(argv[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_drawing: %s\n", e.what());
        return 1;
    }
    return 0;
}
