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
// in pixels of a width x height surface. The document is complete once the painter has ended.
class SvgStream : public QPaintDevice {
  public:
    SvgStream(int width, int height, std::function<void(std::string_view)> sink);
    ~SvgStream() override;
    SvgStream(const SvgStream&) = delete;
    SvgStream& operator=(const SvgStream&) = delete;

    QPaintEngine* paintEngine() const override;

  protected:
    int metric(PaintDeviceMetric metric) const override;

  private:
    int width_;
    int height_;
    std::unique_ptr<SvgStreamEngine> engine_;
};

}  // namespace plotaktar
