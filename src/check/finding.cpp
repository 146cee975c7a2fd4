#include "check/finding.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

namespace plotaktar::check {

namespace {

// The size of a block of texts and values: big enough that its tail left unused is nothing
// beside a quarter of a million findings, small enough for a drawing of a few.
constexpr size_t kBlockBytes = 256 * 1024;
constexpr size_t kAlignment = alignof(FindingValue);
static_assert(alignof(FindingText) <= kAlignment);

}  // namespace

Findings::Findings(const Findings& other) {
    *this = other;
}

Findings& Findings::operator=(const Findings& other) {
    if (this != &other) {
        Findings copy;
        for (const Finding& finding : other) {
            copy.push_back(finding);
        }
        *this = std::move(copy);
    }
    return *this;
}

Findings& Findings::operator=(Findings&& other) noexcept {
    items_ = std::move(other.items_);
    blocks_ = std::move(other.blocks_);
    next_ = std::exchange(other.next_, nullptr);
    left_ = std::exchange(other.left_, 0);
    other.items_.clear();
    other.blocks_.clear();
    return *this;
}

void* Findings::room(size_t bytes) {
    bytes = (bytes + kAlignment - 1) / kAlignment * kAlignment;
    if (bytes > left_) {
        // A text longer than a block gets a block of its own; the current one stays open.
        const size_t size = std::max(bytes, kBlockBytes);
        blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
        if (size > kBlockBytes) {
            return blocks_.back().get();
        }
        next_ = blocks_.back().get();
        left_ = size;
    }
    void* at = next_;
    next_ += bytes;
    left_ -= bytes;
    return at;
}

std::string_view Findings::keep(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    char* at = static_cast<char*>(room(text.size()));
    std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

Finding& Findings::push_back(const Finding& finding) {
    Finding& kept = items_.emplace_back(finding);
    kept.message = keep(finding.message);
    kept.values = {};
    kept.texts = {};
    setValues(kept, finding.values);
    setTexts(kept, finding.texts);
    return kept;
}

void Findings::setValues(Finding& finding, std::span<const FindingValue> values) {
    auto* kept = static_cast<FindingValue*>(room(values.size_bytes()));
    std::uninitialized_copy(values.begin(), values.end(), kept);
    finding.values = {kept, values.size()};
}

void Findings::setTexts(Finding& finding, std::span<const FindingText> texts) {
    auto* kept = static_cast<FindingText*>(room(texts.size_bytes()));
    for (size_t i = 0; i < texts.size(); ++i) {
        new (kept + i) FindingText{texts[i].name, keep(texts[i].value)};
    }
    finding.texts = {kept, texts.size()};
}

void Findings::sortByLine() {
    // Sorted through their indices and then moved into place a cycle at a time, so that a
    // drawing full of faults never holds its findings twice over.
    std::vector<uint32_t> order(items_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) {
        const Finding& fa = items_[a];
        const Finding& fb = items_[b];
        return fa.file != fb.file ? fa.file < fb.file : fa.line < fb.line;
    });
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == i) {
            continue;
        }
        Finding held = items_[i];
        size_t at = i;
        for (size_t from = order[at]; from != i; from = order[at]) {
            items_[at] = items_[from];
            order[at] = static_cast<uint32_t>(at);
            at = from;
        }
        items_[at] = held;
        order[at] = static_cast<uint32_t>(at);
    }
}

}  // namespace plotaktar::check
