#pragma once

#include <QPaintDevice>
#include <functional>
#include <memory>
#include <string_view>

namespace plotaktar {

class SvgStreamEngine;

// A paint device that writes SVG while it is painted on: every drawing call becomes its
// elements at once and goes to `sink` in pieces of some kilobytes, so that a picture of a
// million features is never held in memory whole. It knows what the renderer draws: lines,
// polygons, points, ellipses, rectangles and texts with a solid pen and brush; its geometry is
// in pixels of a width x height surface, or with `millimetres` in millimetres of a sheet of paper
// that size (the document's size then says mm). A clip set with no transform groups what is
// painted under it. The document is complete once the painter has ended.
class SvgStream : public QPaintDevice {
  public:
    SvgStream(int width, int height, std::function<void(std::string_view)> sink,
              bool millimetres = false);
    ~SvgStream() override;
    SvgStream(const SvgStream&) = delete;
    SvgStream& operator=(const SvgStream&) = delete;

    QPaintEngine* paintEngine() const override;

  protected:
    int metric(PaintDeviceMetric metric) const override;

  private:
    int width_;
    int height_;
    bool millimetres_;
    std::unique_ptr<SvgStreamEngine> engine_;
};

}  // namespace plotaktar
