#include "plotfile/plot_reader.h"

#include <span>

namespace plotaktar::plot {

namespace {

// The fields behind a record's head.
std::string_view Body(std::string_view line) {
    return line.size() >= kRecordHeadLength ? line.substr(kRecordHeadLength) : std::string_view();
}

template <size_t N>
std::array<std::string_view, N> Words(std::string_view& rest) {
    std::array<std::string_view, N> words;
    for (std::string_view& w : words) {
        w = NextWord(rest);
    }
    return words;
}

void AddWords(std::vector<std::pair<std::string_view, std::string_view>>& fields,
              std::string_view rest, std::span<const std::string_view> names) {
    size_t i = 0;
    for (std::string_view name : names) {
        std::string_view word = rest;
        if (++i < names.size()) {
            word = NextWord(rest);
        }
        if (!name.empty()) {
            fields.emplace_back(name, word);
        }
    }
}

}  // namespace

std::string_view PlotLineAt(std::string_view bytes, uint64_t offset) {
    if (offset >= bytes.size()) {
        return {};
    }
    std::string_view line = bytes.substr(offset);
    line = line.substr(0, line.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

RecordType RecordTypeOf(std::string_view line) {
    if (line.starts_with(kLayerHead)) {
        return RecordType::Layer;
    }
    if (line.starts_with(kPointHead)) {
        return RecordType::Point;
    }
    if (line.starts_with(kLabelHead)) {
        return RecordType::Label;
    }
    if (line.starts_with(kLineHead)) {
        return RecordType::Line;
    }
    if (line.starts_with(kParcelHead)) {
        return RecordType::Parcel;
    }
    return RecordType::Other;
}

LayerRecord ReadLayerRecord(std::string_view line) {
    std::string_view name = line.substr(kLayerHead.size());
    if (name.ends_with(kLayerTail)) {
        name.remove_suffix(kLayerTail.size());
    }
    return {name};
}

PointRecord ReadPointRecord(std::string_view line) {
    std::string_view rest = Body(line);
    auto [y, x, layer, z, zero] = Words<5>(rest);
    (void)zero;
    return {y, x, layer, z, rest};
}

LabelRecord ReadLabelRecord(std::string_view line) {
    std::string_view rest = Body(line);
    auto [y, x, left, height, angle, zero, layer] = Words<7>(rest);
    (void)left;
    (void)zero;
    return {y, x, height, angle, layer, rest};
}

LineRecord ReadLineRecord(std::string_view line) {
    std::string_view rest = Body(line);
    auto [y1, x1, y2, x2, zero, layer, width, flag, z1, z2] = Words<10>(rest);
    (void)zero;
    (void)width;
    (void)flag;
    return {y1, x1, y2, x2, layer, z1, z2};
}

ParcelRecord ReadParcelRecord(std::string_view line) {
    std::string_view head =
        line.starts_with(kParcelStart) ? line.substr(kParcelStart.size()) : Body(line);
    size_t middle = head.find(kParcelMiddle);
    std::string_view name = head.substr(0, middle);
    std::string_view layer = middle == std::string_view::npos
                                 ? std::string_view()
                                 : head.substr(middle + kParcelMiddle.size());
    if (layer.ends_with(kParcelTail)) {
        layer.remove_suffix(kParcelTail.size());
    }
    return {name, layer};
}

std::vector<std::pair<std::string_view, std::string_view>> RecordFieldsAt(std::string_view bytes,
                                                                          uint64_t offset) {
    std::vector<std::pair<std::string_view, std::string_view>> fields;
    const std::string_view line = PlotLineAt(bytes, offset);
    // The fields begin behind the head; a line no longer than a head has none.
    const std::string_view rest =
        line.size() > kRecordHeadLength ? line.substr(kRecordHeadLength) : std::string_view();
    if (line.starts_with(kPointHead.substr(0, 2))) {
        AddWords(fields, rest, kPointFields);
    } else if (line.starts_with(kLabelHead.substr(0, 2))) {
        AddWords(fields, rest, kLabelFields);
    } else if (line.starts_with(kLineHead.substr(0, 2))) {
        AddWords(fields, rest, kLineFields);
    } else if (line.starts_with(kParcelHead.substr(0, 2))) {
        fields.emplace_back(kWholeRecordField, line);
        const size_t next = bytes.find('\n', offset);
        fields.emplace_back(kCornerLineField, next == std::string_view::npos
                                                  ? std::string_view()
                                                  : PlotLineAt(bytes, next + 1));
    } else {
        fields.emplace_back(kWholeRecordField, line);
    }
    return fields;
}

}  // namespace plotaktar::plot
