# Compares the spatial indexes of a GeoPackage with those GDAL makes of the same features, one
# fact a line, for geopackage_index_test:
#
#   gpkg_index_facts.py OURS GDAL_INDEXED|- BOXES FOLDER
#
# With "-" the GDAL-indexed copy is made in FOLDER: OURS copied, each index taken out and made
# again by GDAL (DisableSpatialIndex, CreateSpatialIndex), so both hold the same features under
# the same fids. Then: SQLite's integrity_check and rtreecheck() of OURS, the index's tables,
# triggers and gpkg_extensions rows against GDAL's, every layer's boxes, BOXES random spatial
# filters through OGR, and both again after the same edits (deletes, moves, inserts) through
# OGR, which SQLite carries out on the packed trees.
import random
import shutil
import sqlite3
import sys

from osgeo import gdal, ogr

gdal.UseExceptions()
ours, theirs, boxes, folder = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]

layers = [row for row in sqlite3.connect(ours).execute(
    "SELECT table_name, column_name FROM gpkg_geometry_columns ORDER BY table_name")]

if theirs == "-":
    theirs = folder + "/gdal-indexed.gpkg"
    shutil.copyfile(ours, theirs)
    ds = gdal.OpenEx(theirs, gdal.OF_VECTOR | gdal.OF_UPDATE)
    for table, column in layers:
        ds.ExecuteSQL("SELECT DisableSpatialIndex('%s', '%s')" % (table, column))
        ds.ExecuteSQL("SELECT CreateSpatialIndex('%s', '%s')" % (table, column))
    ds = None


def index_schema(path):
    return sorted(sqlite3.connect(path).execute(
        "SELECT type, name, tbl_name, sql FROM sqlite_master "
        "WHERE name LIKE 'rtree%' OR name = 'gpkg_extensions'"))


def extensions(path):
    return sorted(sqlite3.connect(path).execute("SELECT * FROM gpkg_extensions"))


def boxes_of(path, table, column):
    return sqlite3.connect(path).execute(
        "SELECT id, minx, maxx, miny, maxy FROM \"rtree_%s_%s\" ORDER BY id" % (table, column)
    ).fetchall()


def check(path, label):
    db = sqlite3.connect(path)
    print(label, "integrity", db.execute("PRAGMA integrity_check").fetchone()[0])
    for table, column in layers:
        result = db.execute("SELECT rtreecheck('rtree_%s_%s')" % (table, column)).fetchone()[0]
        print(label, "rtreecheck", table, result.replace("\n", " | "))


def compare_boxes(label):
    for table, column in layers:
        a, b = boxes_of(ours, table, column), boxes_of(theirs, table, column)
        print(label, "boxes", table, len(a), "same" if a == b else "DIFFERENT from GDAL's")


check(ours, "ours")
print("schema", "same" if index_schema(ours) == index_schema(theirs) else
      "DIFFERENT:\n%s\n%s" % (index_schema(ours), index_schema(theirs)))
print("extensions", "same" if extensions(ours) == extensions(theirs) else "DIFFERENT")
compare_boxes("ours")

# Random windows over each layer's extent, from a point to a twentieth of it across; the fids
# are all that is read of a feature.
random.seed(20)
a = gdal.OpenEx(ours, gdal.OF_VECTOR)
b = gdal.OpenEx(theirs, gdal.OF_VECTOR)
for ds in (a, b):
    for table, _ in layers:
        layer = ds.GetLayerByName(table)
        definition = layer.GetLayerDefn()
        layer.SetIgnoredFields([definition.GetFieldDefn(i).GetName()
                                for i in range(definition.GetFieldCount())] + ["OGR_STYLE"])
fast = all(a.GetLayerByName(t).TestCapability(ogr.OLCFastSpatialFilter) for t, _ in layers)
print("fast spatial filter", fast)
filtered = [t for t, _ in layers if a.GetLayerByName(t).GetFeatureCount() > 0]
hits = 0
different = 0
for i in range(boxes):
    table = filtered[i % len(filtered)]
    la, lb = a.GetLayerByName(table), b.GetLayerByName(table)
    minx, maxx, miny, maxy = la.GetExtent()
    w = random.uniform(0, (maxx - minx) / 20)
    h = random.uniform(0, (maxy - miny) / 20)
    x = random.uniform(minx - w, maxx)
    y = random.uniform(miny - h, maxy)
    fids = []
    for layer in (la, lb):
        layer.SetSpatialFilterRect(x, y, x + w, y + h)
        fids.append(sorted(f.GetFID() for f in layer))
    hits += len(fids[0])
    different += fids[0] != fids[1]
print("filters", boxes, "boxes", "different", different,
      "hits enough" if hits >= boxes else "hits few")
a = b = None



def shift(geometry, dx, dy):
    for i in range(geometry.GetGeometryCount()):
        shift(geometry.GetGeometryRef(i), dx, dy)
    for j in range(geometry.GetPointCount()):
        geometry.SetPoint_2D(j, geometry.GetX(j) + dx, geometry.GetY(j) + dy)


# The same edits on both: every seventh feature deleted, every eleventh moved, up to fifty added.
for path in (ours, theirs):
    ds = gdal.OpenEx(path, gdal.OF_VECTOR | gdal.OF_UPDATE)
    for table, _ in layers:
        layer = ds.GetLayerByName(table)
        ds.StartTransaction()
        fids = sorted(f.GetFID() for f in layer)
        copies = [layer.GetFeature(fid) for fid in fids[1:100:2]]
        for fid in fids[::7]:
            layer.DeleteFeature(fid)
        for fid in fids[1::11]:
            feature = layer.GetFeature(fid)
            geometry = feature.GetGeometryRef() if feature is not None else None
            if geometry is not None:
                moved = geometry.Clone()
                shift(moved, 1000.5, -250.25)
                feature.SetGeometry(moved)
                layer.SetFeature(feature)
        for feature in copies:
            feature.SetFID(-1)
            layer.CreateFeature(feature)
        ds.CommitTransaction()
    ds = None
check(ours, "edited")
compare_boxes("edited")
