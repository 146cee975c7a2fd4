"""The exported styles as QGIS itself takes them (PyQGIS, QGIS 3.22): every layer of the sample's
and of the hostile drawing's GeoPackage and Shapefile sets opens with its default style and no
warning, categorised by layer, switched-off layers unchecked, labels on where the kind has them;
and one rendered label turns the way the drawing's angle says (counter-clockwise).

    qgis_styles.py PLOTAKTAR-CLI SAMPLES-FOLDER

Exits 77 (skipped) when python3-qgis is not installed, 1 when a check fails.
"""

import os
import subprocess
import sys
import tempfile

try:
    from qgis.core import (
        Qgis,
        QgsApplication,
        QgsMapRendererSequentialJob,
        QgsMapSettings,
        QgsRectangle,
        QgsVectorLayer,
    )
    from qgis.PyQt.QtCore import QSize
    from qgis.PyQt.QtGui import QColor
except ImportError:
    print("skipped: PyQGIS (python3-qgis) is not installed")
    sys.exit(77)

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gis_styles_facts  # noqa: E402

KINDS = ["noktalar", "hatlar", "parseller", "yazilar", "semboller"]
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def export(cli, folder, *arguments):
    subprocess.run([cli, "export", *arguments], cwd=folder, check=True, capture_output=True)


def styled_layers(path, shapefile, off, warnings):
    """Opens each kind's layer as QGIS does on opening a file and checks its default style."""
    for kind in KINDS:
        if shapefile:
            source = f"{path[:-4]}-{kind}.shp"
        else:
            source = f"{path}|layername={kind}"
        before = len(warnings)
        layer = QgsVectorLayer(source, kind, "ogr")
        name = f"{os.path.basename(path)} {kind}"
        check(layer.isValid(), f"{name} opens")
        renderer = layer.renderer()
        check(renderer.type() == "categorizedSymbol", f"{name} categorised ({renderer.type()})")
        if kind in ("noktalar", "parseller", "yazilar", "semboller"):
            check(layer.labelsEnabled(), f"{name} labels on")
        hidden = {c.value() for c in renderer.categories() if not c.renderState()}
        check(hidden == off, f"{name} switched-off categories {sorted(hidden)}")
        check(len(warnings) == before, f"{name} loads without a warning {warnings[before:]}")


def ink_slope(image):
    """The covariance of the dark pixels' x and y: negative when the ink rises to the right."""
    xs, ys = [], []
    for y in range(image.height()):
        for x in range(image.width()):
            if QColor(image.pixel(x, y)).lightness() < 128:
                xs.append(x)
                ys.append(y)
    if not xs:
        return None, None
    mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / len(xs), mx


def rendered_label(cli, folder, grads):
    """A label of "Açı" `grads` rendered by its default style: the ink's slope and middle."""
    os.makedirs(folder)
    with open(folder + "/r.gplt", "wb") as f:
        f.write(b"tab 1 1 YAZI 7 0 1 0.18\r\nnok 1 4512000.00 512000.00 100 1\r\n")
    with open(folder + "/r.yaz", "wb") as f:
        f.write(b"4512050.00 512050.00 %d 4.0 MMMMMMMMMM   1\r\n" % grads)
    export(cli, folder, "r.gplt", "-o", "r.gpkg")
    layer = QgsVectorLayer(folder + "/r.gpkg|layername=yazilar", "yazilar", "ogr")
    settings = QgsMapSettings()
    settings.setDestinationCrs(layer.crs())
    settings.setLayers([layer])
    settings.setOutputSize(QSize(400, 400))
    settings.setBackgroundColor(QColor("white"))
    # The label's point in the middle of the picture.
    settings.setExtent(QgsRectangle(512000, 4512000, 512100, 4512100))
    job = QgsMapRendererSequentialJob(settings)
    job.start()
    job.waitForFinished()
    return ink_slope(job.renderedImage())


def main():
    cli, samples = sys.argv[1], sys.argv[2]
    app = QgsApplication([], False)
    app.initQgis()
    warnings = []
    QgsApplication.messageLog().messageReceived.connect(
        lambda message, tag, level: warnings.append(message)
        if level in (Qgis.Warning, Qgis.Critical)
        else None
    )
    with tempfile.TemporaryDirectory() as folder:
        sample = os.path.join(samples, "pafta12.gplt")
        export(cli, folder, sample, "-o", "p.gpkg")
        export(cli, folder, sample, "-o", "p.shp")
        styled_layers(folder + "/p.gpkg", False, {"ESKİ_SINIR"}, warnings)
        styled_layers(folder + "/p.shp", True, {"ESKİ_SINIR"}, warnings)

        gis_styles_facts.hostile(folder)
        export(cli, folder, "hostile.gplt", "-o", "h.gpkg")
        export(cli, folder, "hostile.gplt", "-o", "h.shp")
        styled_layers(folder + "/h.gpkg", False, {"KAPALI"}, warnings)
        styled_layers(folder + "/h.shp", True, {"KAPALI"}, warnings)

        # "Açı" 50 grads is 45 degrees counter-clockwise: the text rises to the right of its
        # point (the picture's y grows downwards); 150 grads falls to the right.
        rising, middle = rendered_label(cli, folder + "/rising", 50)
        check(rising is not None and rising < 0, f"a label of 50 grads rises ({rising})")
        check(middle is not None and middle > 200, f"it starts at its point ({middle})")
        falling, _ = rendered_label(cli, folder + "/falling", 150)
        check(falling is not None and falling > 0, f"a label of 150 grads falls ({falling})")
    app.exitQgis()
    sys.exit(1 if failures else 0)


main()
