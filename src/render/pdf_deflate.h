#pragma once

namespace plotaktar {

// While one of these lives, the PDF streams this thread's QPdfWriter compresses (page contents,
// fonts) are deflated at one of zlib's fast levels instead of its default, which Qt asks for.
// Sheets of a large drawing are a hundred megabytes of page content and more: at the default
// level half their time is zlib's; at the fast level a quarter of that, for a file about 25 %
// larger. The streams stay
// ordinary Flate streams, the pages the same.
class FastPdfStreams {
  public:
    FastPdfStreams();
    ~FastPdfStreams();
    FastPdfStreams(const FastPdfStreams&) = delete;
    FastPdfStreams& operator=(const FastPdfStreams&) = delete;

  private:
    int outer_;
};

}  // namespace plotaktar
