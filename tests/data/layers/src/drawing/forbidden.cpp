// A drawing source that includes the renderer: the layering check must refuse it.
#include "model/table.h"
#include "render/renderer.h"
