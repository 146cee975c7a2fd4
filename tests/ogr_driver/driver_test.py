#!/usr/bin/python3
"""The read driver under GDAL's own programs: ogrinfo and ogr2ogr open the sample drawing and
its plot file as `plotaktar-cli export --format gpkg` writes them, feature for feature; a feature
by its FID and a spatial filter give what a walk gives; HP-GL, random bytes and empty files are
declined; only GDALRegister_PLOTAKTAR is exported.

Usage: driver_test.py PLUGIN_DIR PLOTAKTAR_CLI SAMPLES_DIR
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest

PLUGIN_DIR, CLI, SAMPLES = sys.argv[1:4]
os.environ["GDAL_DRIVER_PATH"] = PLUGIN_DIR
from osgeo import gdal, ogr  # noqa: E402  (after GDAL_DRIVER_PATH)

gdal.UseExceptions()
gdal.AllRegister()
LAYERS = ["noktalar", "hatlar", "parseller", "yazilar", "semboller"]


def features(layer):
    out = []
    layer.ResetReading()
    for f in layer:
        fields = {layer.GetLayerDefn().GetFieldDefn(i).GetName(): f.GetField(i)
                  for i in range(f.GetFieldCount())}
        out.append((fields, f.GetGeometryRef().ExportToIsoWkt()))
    return out


def spatial_filter_problems(layer, boxes):
    """The boxes for which the layer's spatial filter gives other FIDs than OGR's memory driver
    gives for a copy of every feature (it tests each one), with what each gave."""
    layer.SetSpatialFilter(None)
    memory = ogr.GetDriverByName("Memory").CreateDataSource("copy")
    copy = memory.CopyLayer(layer, "copy")
    problems = []
    for box in boxes:
        copy.SetSpatialFilterRect(*box)
        layer.SetSpatialFilterRect(*box)
        expected = {f.GetFID() for f in copy}
        found = {f.GetFID() for f in layer}
        layer.SetSpatialFilter(None)
        if found != expected:
            problems.append((box, sorted(found - expected), sorted(expected - found)))
    return problems


def hostile_drawings():
    """Drawings that meet many faults at once, by file name; also run under AddressSanitizer
    (tests/ogr_driver/asan_ogrinfo.sh)."""
    huge, e200, e22 = "1" + "0" * 308, "1" + "0" * 200, "1" + "0" * 22

    def lines(*rows):
        return b"".join(r.encode("latin-1") + b"\r\n" for r in rows)

    return {
        "extremes.gplt": lines(
            "tab 1 1 YOL 1 0 1 0.18", "tab 2 1 yol 2 0 1 0.18", "tab 3 1 A<B 3 0 1 0.18",
            "nok 12 4512345 512345 1 \x1b]0;X\x07\x1b[2J1", "nok 13 %s -%s 1 1" % (huge, huge),
            "nok 14 -%s %s 1 1" % (huge, huge), "sem 12 sa 1 1 0 1", "sem 99 SA 1 1 0 1",
            "par 1 2 100.0 1", "1 2 1 0 0 0", "1 2 2 %s 0 0" % e22, "1 2 3 %s %s 0" % (e22, e22),
            "par 1 3 100.0 1", "1 3 1 0 0 0", "1 3 2 %s 0 0" % e200,
            "1 3 3 %s %s 0" % (e200, e200), "par 1 4 5 -7", "par 1 5 5 99999999999",
            "hat 1 2 3 4 5 6 7 8 9999999"),
        "cut.gplt": lines("nir 1 4512345.67", "hat", "par 1 2 3 1000000", "tab 0 1 X 1 0 1",
                          "tab 99999 1 X 1 0 1", "tab -1 1 X 1 0 1") + b"nok 5 1 2\x00\xff",
        "binary-tail.gplt": b"nok 1 2 3 4 5\r\n" + bytes(range(256)) * 64,
        "long-line.gplt": b"nok " + b"9" * 5_000_000 + b" 1 2 3 4\r\n",
        "no-cr.gplt": b"nok 1 4512345 512345 1 1\nnok 2 4512346 512346 1 1\n",
        "extremes.plt": lines(
            "TA A -257 1 DUZ 1 0", "TA A<&> -257 1 DUZ 1 0",
            "PN  && %s -%s A 1 0 N.1" % (huge, huge), "PN  && 1 2 B 3 0 P.", "PN  && 1 2",
            "YA  && 1 2 L %s 100 0 A \x1b]0;X\x07" % huge, "YA  && 1 2 L 1",
            "LX  && 1 2 %s %s 0 A 0.00 0 1 2" % (e200, e200),
            "L2  && 0.0000000 0.0000000 1/2 19 0 A  0.00000000000000E+0000 0",
            "0 0 1 0.000 0 0 %s 0 1 0.000 0 0 %s %s 1 0.000 0 0 " % (e200, e200, e200),
            "L2  && 0.0000000 0.0000000 /  19 0 A  0.00000000000000E+0000 0", "",
            "L2  && 0.0000000 0.0000000 1/3 19 0 A  0.00000000000000E+0000 0"),
        "binary-tail.plt": b"TA A -257 1 DUZ 1 0\r\n" + bytes(range(256)) * 64,
        "long-line.plt": b"PN  && " + b"9" * 5_000_000 + b" 1 A 2 0 3\r\n",
        "no-cr.plt": b"PN  && 512345 4512345 A 1 0 1\nPN  && 512346 4512346 A 1 0 2\n",
    }


class Driver(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        for ext in ("gplt", "yaz", "yfn"):
            shutil.copy(os.path.join(SAMPLES, "pafta12." + ext), self.dir)
        self.gplt = os.path.join(self.dir, "pafta12.gplt")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def export_gpkg(self):
        out = os.path.join(self.dir, "export.gpkg")
        subprocess.run([CLI, "export", self.gplt, "-o", out, "--crs", "TM30"], check=True,
                       capture_output=True)
        return gdal.OpenEx(out, gdal.OF_VECTOR)

    def test_ogr2ogr_from_the_drawing_equals_the_export_feature_for_feature(self):
        converted = os.path.join(self.dir, "converted.gpkg")
        subprocess.run(["ogr2ogr", "-f", "GPKG", "-oo", "CRS=TM30", converted, self.gplt],
                       check=True, capture_output=True, env=os.environ)
        ours, theirs = self.export_gpkg(), gdal.OpenEx(converted, gdal.OF_VECTOR)
        for name in LAYERS:
            a, b = ours.GetLayerByName(name), theirs.GetLayerByName(name)
            self.assertIsNotNone(b, name)
            self.assertEqual(features(a), features(b), name)
            self.assertEqual(b.GetSpatialRef().GetAuthorityCode(None), "5254")

    def test_ogrinfo_lists_the_layers_with_the_exports_counts(self):
        info = subprocess.run(["ogrinfo", "-ro", "-so", "-al", self.gplt], check=True,
                              capture_output=True, text=True, env=os.environ).stdout
        self.assertIn("using driver `PLOTAKTAR'", info)
        exported = self.export_gpkg()
        for name in LAYERS:
            count = exported.GetLayerByName(name).GetFeatureCount()
            self.assertIn("Layer name: %s\n" % name, info)
            self.assertIn("Feature Count: %d\n" % count, info.split("Layer name: " + name)[1])

    def test_a_feature_by_fid_and_a_spatial_filter_agree_with_a_walk(self):
        ds = gdal.OpenEx(self.gplt, gdal.OF_VECTOR)
        for name in LAYERS:
            layer = ds.GetLayerByName(name)
            self.assertTrue(layer.TestCapability(ogr.OLCFastFeatureCount))
            walked = {f.GetFID(): f.ExportToJson() for f in layer}
            self.assertEqual(len(walked), layer.GetFeatureCount())
            for fid in reversed(sorted(walked)):
                self.assertEqual(layer.GetFeature(fid).ExportToJson(), walked[fid])
            self.assertIsNone(layer.GetFeature(len(walked) + 1))
            minx, maxx, miny, maxy = layer.GetExtent()
            box = (minx, miny, (minx + maxx) / 2, (miny + maxy) / 2)
            wanted = ogr.CreateGeometryFromWkt(
                "POLYGON((%f %f,%f %f,%f %f,%f %f,%f %f))" %
                (box[0], box[1], box[2], box[1], box[2], box[3], box[0], box[3], box[0], box[1]))
            self.assertEqual(spatial_filter_problems(layer, [box]), [], name)

    def test_the_spatial_filter_at_the_grids_cell_borders(self):
        # 200 point rows over a square of 100 m: the grid's cells are 10 m wide, and points,
        # lines and a parcel lie on their borders. One point row is left out (a FID without a
        # feature, and without a box).
        rows = ["tab 1 1 A 1 0 1 0.18"]
        for i in range(198):
            east, north = 500000 + (i * 10) % 110, 4500000 + (i // 11) * 10 % 110
            if i == 57:
                rows.append("nok %d 45000x %d 1 1" % (i, east))
            else:
                rows.append("nok %d %d %d 1 1" % (i, north, east))
        rows += ["nok 900 4500000 500000 1 1", "nok 901 4500100 500100 1 1"]
        for k in range(0, 100, 10):
            rows.append("hat a %d 4500000 1 b %d 4500100 1 1" % (500000 + k, 500000 + k))
            rows.append("hat a 500000 %d 1 b 500100 %d 1 1" % (4500000 + k, 4500000 + k))
        rows += ["par 1 1 100 1", "1 1 1 500010 4500010 0", "1 1 2 500030 4500010 0",
                 "1 1 3 500030 4500040 0", "1 1 4 500010 4500040 0"]
        path = os.path.join(self.dir, "borders.gplt")
        with open(path, "wb") as f:
            f.write(b"".join(r.encode() + b"\r\n" for r in rows))
        ds = gdal.OpenEx(path, gdal.OF_VECTOR, open_options=["LABELS=NONE"])
        edges = [0, 5, 10, 20, 30, 40, 50, 99.999, 100]
        boxes = [(500000 + a, 4500000 + b, 500000 + c, 4500000 + d)
                 for a in edges for c in edges if a <= c
                 for b, d in ((0, 0), (10, 10), (10, 20), (0, 100), (35, 50))]
        boxes += [(499000, 4499000, 499999, 4499999), (400000, 4400000, 600000, 4600000)]
        points = ds.GetLayerByName("noktalar")
        self.assertIsNone(points.GetFeature(58))
        self.assertEqual(points.GetFeatureCount(), 199)
        for name in ("noktalar", "hatlar", "parseller"):
            self.assertEqual(spatial_filter_problems(ds.GetLayerByName(name), boxes), [], name)

    def convert_to_plot_file(self):
        plt = os.path.join(self.dir, "pafta12.plt")
        subprocess.run([CLI, "convert", self.gplt, "-o", plt], check=True, capture_output=True)
        return plt

    def test_ogr2ogr_from_the_plot_file_equals_its_export_feature_for_feature(self):
        plt = self.convert_to_plot_file()
        converted = os.path.join(self.dir, "converted.gpkg")
        exported = os.path.join(self.dir, "exported.gpkg")
        subprocess.run(["ogr2ogr", "-f", "GPKG", converted, plt], check=True, capture_output=True,
                       env=os.environ)
        subprocess.run([CLI, "export", plt, "-o", exported], check=True, capture_output=True)
        ours = gdal.OpenEx(exported, gdal.OF_VECTOR)
        theirs = gdal.OpenEx(converted, gdal.OF_VECTOR)
        # A plot file has no symbols: export writes their layer empty, the driver has none.
        self.assertEqual(ours.GetLayerByName("semboller").GetFeatureCount(), 0)
        self.assertEqual([theirs.GetLayer(i).GetName() for i in range(theirs.GetLayerCount())],
                         ["noktalar", "hatlar", "parseller", "yazilar"])
        for name in ["noktalar", "hatlar", "parseller", "yazilar"]:
            a, b = features(ours.GetLayerByName(name)), features(theirs.GetLayerByName(name))
            self.assertEqual(a, b, name)
            self.assertTrue(a, name)

    def test_fields_a_plot_file_lacks_are_null(self):
        ds = gdal.OpenEx(self.convert_to_plot_file(), gdal.OF_VECTOR)
        self.assertEqual(ds.GetDriver().ShortName, "PLOTAKTAR")
        self.assertIsNone(ds.GetLayerByName("semboller"))
        lacking = {"noktalar": ["layer_no"], "hatlar": ["from", "to", "layer_no"],
                   "parseller": ["alan", "alan_sayi", "layer_no"],
                   "yazilar": ["font", "width", "italic", "centred", "layer_no"]}
        for name, fields in lacking.items():
            layer = ds.GetLayerByName(name)
            self.assertGreater(layer.GetFeatureCount(), 0, name)
            for f in layer:
                for field in fields:
                    self.assertTrue(f.IsFieldNull(field), (name, field))
                self.assertFalse(f.IsFieldNull("layer"), name)
                self.assertEqual(f.GetFID(), layer.GetFeature(f.GetFID()).GetFID())
        # What it has is there: a point's height, a line's ends' heights, a label's size, a
        # parcel's measured area.
        self.assertAlmostEqual(ds.GetLayerByName("noktalar").GetFeature(1).GetField("z"), 123.45)
        line = ds.GetLayerByName("hatlar").GetFeature(1)
        self.assertEqual((line.GetField("z1"), line.GetField("z2")), (119.80, 119.95))
        self.assertEqual(ds.GetLayerByName("yazilar").GetFeature(1).GetField("height"), 2.5)
        self.assertGreater(ds.GetLayerByName("parseller").GetFeature(1).GetField("alan_m2"), 0)

    def test_a_foreign_plot_file_is_declined(self):
        rng = random.Random(11)
        lines = open(self.convert_to_plot_file(), "rb").read().split(b"\r\n")
        for name, data in [("hpgl.plt", b"IN;SP1;PU0,0;PD100,100;\r\n"),
                           ("pu.plt", b"PU0,0;PD100,100;PU;\r\n" + b"\r\n".join(lines)),
                           ("empty.plt", b""),
                           ("random.plt", bytes(rng.randrange(256) for _ in range(4096))),
                           ("late.plt", b"; a comment\r\n" + b"\r\n".join(lines))]:
            path = os.path.join(self.dir, name)
            with open(path, "wb") as f:
                f.write(data)
            driver = gdal.IdentifyDriverEx(path, gdal.OF_VECTOR)
            self.assertTrue(driver is None or driver.ShortName != "PLOTAKTAR", name)
        # Any case of the extension, and a file that starts with another record than a layer.
        path = os.path.join(self.dir, "POINTS.PLT")
        with open(path, "wb") as f:
            f.write(b"\r\n".join(line for line in lines if line.startswith(b"PN ")))
        self.assertEqual(gdal.IdentifyDriverEx(path, gdal.OF_VECTOR).ShortName, "PLOTAKTAR")

    def test_open_options(self):
        ds = gdal.OpenEx(self.gplt, gdal.OF_VECTOR, open_options=["LABELS=NONE"])
        self.assertEqual(ds.GetLayerByName("yazilar").GetFeatureCount(), 0)
        self.assertIsNone(ds.GetLayerByName("noktalar").GetSpatialRef())
        ds = gdal.OpenEx(self.gplt, gdal.OF_VECTOR, open_options=["CRS=EPSG:5254"])
        self.assertEqual(ds.GetLayerByName("noktalar").GetSpatialRef().GetAuthorityCode(None),
                         "5254")
        with self.assertRaisesRegex(RuntimeError, "CRS=XY30 is no coordinate system"):
            gdal.OpenEx(self.gplt, gdal.OF_VECTOR, open_options=["CRS=XY30"])
        with self.assertRaisesRegex(RuntimeError, "read-only"):
            gdal.OpenEx(self.gplt, gdal.OF_VECTOR | gdal.OF_UPDATE)

    def test_features_carry_their_layers_pen_as_ogr_styles(self):
        ds = gdal.OpenEx(self.gplt, gdal.OF_VECTOR)
        styles = {name: {f.GetStyleString() for f in ds.GetLayerByName(name)} for name in LAYERS}
        # The sample's layer 3 "PARSEL": ACI 1 (red), 0.35 mm; labels keep their LABEL style.
        self.assertIn("BRUSH(fc:#00000000);PEN(c:#FF0000,w:0.35mm)", styles["parseller"])
        self.assertTrue(all(s.startswith("PEN(c:#") for s in styles["hatlar"]), styles["hatlar"])
        self.assertTrue(all(s.startswith('SYMBOL(id:"ogr-sym-3",c:#') for s in styles["noktalar"]))
        self.assertTrue(all(s.startswith("LABEL(") for s in styles["yazilar"]))

    def test_other_files_are_declined(self):
        rng = random.Random(7)
        for name, data in [("hpgl.gplt", b"IN;SP1;PU0,0;PD100,100;\r\n"),
                           ("empty.gplt", b""),
                           ("random.gplt", bytes(rng.randrange(256) for _ in range(4096))),
                           ("pafta12.txt", open(self.gplt, "rb").read())]:
            path = os.path.join(self.dir, name)
            with open(path, "wb") as f:
                f.write(data)
            driver = gdal.IdentifyDriverEx(path, gdal.OF_VECTOR)
            self.assertTrue(driver is None or driver.ShortName != "PLOTAKTAR", name)

    def test_failing_records_are_warnings_with_their_line(self):
        bad = os.path.join(self.dir, "bad.gplt")
        with open(bad, "wb") as f:
            f.write(b"nir 1 4512345.67 512345.67 1 1\r\nnok 2 45123x 512345 1 1\r\n"
                    b"par 1 2 abc\r\n" + b"hat \xff\x00\x01 1 2\r\n" * 3)
        result = subprocess.run(["ogrinfo", "-ro", "-al", bad], capture_output=True, text=True,
                                errors="replace", env=os.environ)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("bad.gplt:2: left out", result.stderr)

    def test_hostile_drawings_are_read_or_refused_with_a_message(self):
        for name, data in hostile_drawings().items():
            path = os.path.join(self.dir, name)
            with open(path, "wb") as f:
                f.write(data)
            # Every feature, and those a spatial filter finds through the grid.
            for spat in ([], ["-spat", "-1e300", "-1e300", "1e300", "1e300"],
                         ["-spat", "0", "0", "1", "1"]):
                result = subprocess.run(["ogrinfo", "-ro", "-al"] + spat + [path],
                                        capture_output=True, env=os.environ)
                # A crash of the host is a signal (a negative status); a refusal is status 1
                # with GDAL's "FAILURE" and our message.
                self.assertIn(result.returncode, (0, 1), name)
                if result.returncode == 1:
                    self.assertIn(name.encode(), result.stderr, name)

    def test_only_the_register_function_is_exported(self):
        symbols = subprocess.run(
            ["nm", "-D", "--defined-only", os.path.join(PLUGIN_DIR, "gdal_PLOTAKTAR.so")],
            check=True, capture_output=True, text=True).stdout.split("\n")
        self.assertEqual([s.split()[-1] for s in symbols if s.strip()], ["GDALRegister_PLOTAKTAR"])

    def test_our_export_does_not_load_the_driver(self):
        env = dict(os.environ, LD_DEBUG="files")
        result = subprocess.run([CLI, "export", self.gplt, "-o", os.path.join(self.dir, "x.gpkg")],
                                capture_output=True, text=True, env=env)
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        self.assertNotIn("gdal_PLOTAKTAR", result.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
