#include "revision.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace plotaktar::bench {

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        line += (line.empty() ? "" : " ") + word;
    }
    return line;
}

}  // namespace

Drawing WriteRevision(const Drawing& drawing, const std::string& base) {
    const std::string text = ReadWholeFile(drawing.geometry);
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    std::string out;
    out.reserve(text.size() + text.size() / 50);
    std::vector<std::string> added;
    uint64_t points = 0, divided = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.starts_with("nok ")) {
            std::vector<std::string> w = Words(line);
            const uint64_t n = points++;
            if (n % 100 == 0 && w.size() >= 4) {
                char moved[64];
                std::snprintf(moved, sizeof moved, "%.2f", std::stod(w[3]) + 0.5);
                w[3] = moved;
                out += Joined(w) + "\r\n";
            } else if (n % 200 == 1 && w.size() >= 2) {
                w[1] = std::to_string(900000000 + n);  // a new number where one went
                added.push_back(Joined(w));
            } else {
                out += line + "\r\n";
            }
            continue;
        }
        if (line.starts_with("par ") && divided < 100) {
            const std::vector<std::string> w = Words(line);
            std::vector<std::vector<std::string>> corners;
            for (size_t k = i + 1; k < lines.size(); ++k) {
                std::vector<std::string> c = Words(lines[k]);
                if (w.size() < 5 || c.size() < 6 || c[0] != w[1] || c[1] != w[2]) {
                    break;
                }
                corners.push_back(c);
            }
            if (corners.size() >= 4) {
                // Parts of new numbers whose corners are all corners of the whole: on its
                // outline, so inside it however its sides run.
                const std::string parts[2] = {std::to_string(800000 + 2 * divided),
                                              std::to_string(800001 + 2 * divided)};
                for (int part = 0; part < 2; ++part) {
                    std::vector<size_t> take;
                    if (part == 0) {
                        take = {0, 1, 2};
                    } else {
                        take.push_back(0);
                        for (size_t k = 2; k < corners.size(); ++k) {
                            take.push_back(k);
                        }
                    }
                    out += "par " + w[1] + " " + parts[part] + " " + w[3] + " " + w[4] + "\r\n";
                    for (size_t k : take) {
                        std::vector<std::string> c = corners[k];
                        c[1] = parts[part];
                        out += Joined(c) + "\r\n";
                    }
                }
                ++divided;
                i += corners.size();
                continue;
            }
        }
        if (!line.empty() || i + 1 < lines.size()) {
            out += line + "\r\n";
        }
    }
    for (const std::string& line : added) {
        out += line + "\r\n";
    }
    std::ofstream(base + ".gplt", std::ios::binary) << out;
    std::filesystem::copy_file(drawing.labels, base + ".yaz",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(drawing.companion, base + ".yfn",
                               std::filesystem::copy_options::overwrite_existing);
    return Drawing(base);
}

}  // namespace plotaktar::bench
