"""What the GIS files of an export say about the drawing's looks, read by independent readers:
SQLite for the GeoPackage's tables, ElementTree for the QGIS styles and KML, ezdxf for DXF and
its colour palette. The drawing's layers are read from the geometry file itself.

    gis_styles_facts.py gpkg FILE.gpkg DRAWING.gplt
    gis_styles_facts.py qml FILE.qml KIND DRAWING.gplt
    gis_styles_facts.py kml FILE.kml DRAWING.gplt
    gis_styles_facts.py dxf FILE.dxf
    gis_styles_facts.py hostile FOLDER      writes FOLDER/hostile.gplt and .yaz

The hostile drawing's layers are named with XML's special characters, control bytes, a tab,
10,000 letters, and names equal but for case; one is switched off. Each has a point, a line and a
label.

Prints one fact a line; the tests look for the lines they expect.
"""

import re
import sqlite3
import sys
import xml.etree.ElementTree as ET

from ezdxf.colors import aci2rgb

KINDS = ["noktalar", "hatlar", "parseller", "yazilar", "semboller"]


def xml_fit(text):
    return re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f]", "\ufffd", text)


def drawing_layers(gplt):
    """(name, colour, on) of each layer record, in order."""
    layers = []
    with open(gplt, "rb") as f:
        for raw in f.read().split(b"\n"):
            fields = [x for x in raw.rstrip(b"\r").split(b" ") if x]
            if len(fields) >= 8 and fields[0] == b"tab":
                colour = int(fields[4]) if fields[4].isdigit() else 7
                if not 1 <= colour <= 255:
                    colour = 7
                layers.append((fields[3].decode("cp1254"), colour, fields[2] != b"0"))
    return layers


def rgb(colour):
    if colour == 7:
        return (0, 0, 0)
    return tuple(aci2rgb(colour))


def qml_facts(name, qml, layers):
    """Facts of one QML document: its categories against the drawing's layers."""
    try:
        root = ET.fromstring(qml)
    except ET.ParseError as e:
        print(f"qml {name} unparsable: {e}")
        return
    renderer = root.find("renderer-v2")
    print(f"qml {name} renderer {renderer.get('type')}")
    print(f"qml {name} labels {root.get('labelsEnabled')}")
    symbols = {s.get("name"): s for s in renderer.find("symbols")}
    categories = {}
    for c in renderer.find("categories"):
        categories.setdefault(c.get("value"), c)
    wrong = []
    seen = set()
    for layer_name, colour, on in layers:
        value = xml_fit(layer_name)
        if value in seen:
            continue
        seen.add(value)
        category = categories.get(value)
        if category is None:
            wrong.append(f"no category {value[:40]!r}")
            continue
        if (category.get("render") == "true") != on:
            wrong.append(f"{value[:40]!r} render {category.get('render')}")
        symbol = symbols[category.get("symbol")]
        options = {o.get("name"): o.get("value") for o in symbol.iter("Option")}
        drawn = options.get("line_color") or options.get("outline_color") or options.get("color")
        if tuple(int(x) for x in drawn.split(",")[:3]) != rgb(colour):
            wrong.append(f"{value[:40]!r} colour {drawn} not ACI {colour}")
    print(f"qml {name} categories {len(seen)} " + ("ok" if not wrong else "wrong: " + "; ".join(wrong)))


def gpkg(path, gplt):
    db = sqlite3.connect(path)
    for table, srs in db.execute("SELECT table_name, srs_id FROM gpkg_geometry_columns"):
        print(f"srs_id {table} {srs}")
    for (kind,) in db.execute(
        "SELECT data_type FROM gpkg_contents WHERE table_name = 'layer_styles'"
    ):
        print(f"contents layer_styles {kind}")
    layers = drawing_layers(gplt)
    for table in KINDS:
        rows = db.execute(
            "SELECT styleQML, useAsDefault, f_geometry_column FROM layer_styles "
            "WHERE f_table_name = ?",
            (table,),
        ).fetchall()
        defaults = sum(1 for r in rows if r[1])
        print(f"styles {table} {len(rows)} default {defaults} column {rows[0][2] if rows else ''}")
        for qml, _, _ in rows:
            qml_facts(table, qml, layers)


def qml(path, kind, gplt):
    with open(path, "rb") as f:
        qml_facts(kind, f.read(), drawing_layers(gplt))


def kml(path, gplt):
    ns = {"k": "http://www.opengis.net/kml/2.2"}
    root = ET.parse(path).getroot()
    document = root.find("k:Document", ns)
    styles = {s.get("id") for s in document.findall("k:Style", ns)}
    kinds = [f.find("k:name", ns).text for f in document.findall("k:Folder", ns)]
    print("kinds " + " ".join(kinds))
    layers = drawing_layers(gplt)
    off = {xml_fit(name) for name, _, on in layers if not on}
    named = {xml_fit(name) for name, _, _ in layers}
    placemarks = unnamed = unstyled = undescribed = 0
    for kind in document.findall("k:Folder", ns):
        for folder in kind.findall("k:Folder", ns):
            name = folder.find("k:name", ns).text
            hidden = folder.findtext("k:visibility", "1", ns) == "0"
            if name in named:
                state = "hidden" if hidden else "shown"
                want = "hidden" if name in off else "shown"
                print(f"folder {kind.find('k:name', ns).text}/{name[:40]} {state} "
                      + ("ok" if state == want else "wrong"))
            else:
                print(f"folder {kind.find('k:name', ns).text}/{name[:40]} is no layer")
        for placemark in kind.iter("{http://www.opengis.net/kml/2.2}Placemark"):
            placemarks += 1
            if not (placemark.findtext("k:name", "", ns)):
                unnamed += 1
            if placemark.findtext("k:styleUrl", "", ns).lstrip("#") not in styles:
                unstyled += 1
            if "Tabaka" not in placemark.findtext("k:description", "", ns):
                undescribed += 1
    print(f"placemarks {placemarks} unnamed {unnamed} unstyled {unstyled} "
          f"undescribed {undescribed}")
    for placemark in root.iter("{http://www.opengis.net/kml/2.2}Placemark"):
        print("name " + placemark.findtext("k:name", "", ns) + " "
              + placemark.findtext("k:styleUrl", "", ns))


def dxf(path):
    import ezdxf

    doc = ezdxf.readfile(path)
    msp = doc.modelspace()
    points = {}
    for insert in msp.query("INSERT"):
        for attrib in insert.attribs:
            if attrib.dxf.tag == "NUMARA":
                points[attrib.dxf.text] = insert.dxf.insert
    texts = [t for t in msp.query("TEXT") if t.dxf.layer == "NOKTA_NO"]
    inserts = [i for i in msp.query("INSERT") if i.dxf.name in ("NIRENGI", "POLIGON", "NOKTA")]
    beside = 0
    for text in texts:
        near = [i for i in inserts
                if abs(i.dxf.insert.x + 1.2 - text.dxf.insert.x) < 1e-9
                and abs(i.dxf.insert.y + 0.2 - text.dxf.insert.y) < 1e-9]
        beside += 1 if near else 0
    print(f"number texts {len(texts)} beside their point {beside}")
    print(f"number attributes {len(points)}")
    print(f"layer NOKTA_NO {'yes' if 'NOKTA_NO' in doc.layers else 'no'}")
    for text in texts:
        print("text " + text.dxf.text)


HOSTILE_LAYERS = [
    (b'<&"\'>]]>yol', 1, b"1"),
    (b"a\x01b\x1bc\x7fd", 3, b"1"),
    (b"x\ty", 30, b"1"),
    ("Ş".encode("cp1254") * 10000, 5, b"1"),
    (b"yol", 2, b"1"),
    (b"YOL", 4, b"1"),
    ("İı".encode("cp1254"), 6, b"1"),
    ("iI".encode("cp1254"), 140, b"1"),
    (b"KAPALI", 8, b"0"),
]


def hostile(folder):
    gplt = []
    yaz = []
    for number, (name, colour, on) in enumerate(HOSTILE_LAYERS, start=1):
        gplt.append(b"tab %d %s %s %d %d 1 0.25" % (number, on, name, colour, number % 4))
    for number in range(1, len(HOSTILE_LAYERS) + 1):
        north, east = 4512000 + 10 * number, 512000 + 10 * number
        gplt.append(b"nok %d %d.5 %d.5 100 %d" % (1000 + number, north, east, number))
        gplt.append(b"hat %d %d.5 %d.5 100 %d %d.5 %d.5 100 %d"
                    % (1000 + number, east, north, 2000 + number, east + 5, north + 5, number))
        yaz.append(b"%d.0 %d.0 100 2.0 yazi%d <&> %3d" % (north + 3, east, number, number))
    with open(folder + "/hostile.gplt", "wb") as f:
        f.write(b"\r\n".join(gplt) + b"\r\n")
    with open(folder + "/hostile.yaz", "wb") as f:
        f.write(b"\r\n".join(yaz) + b"\r\n")


if __name__ == "__main__":
    mode = sys.argv[1]
    if mode == "gpkg":
        gpkg(sys.argv[2], sys.argv[3])
    elif mode == "qml":
        qml(sys.argv[2], sys.argv[3], sys.argv[4])
    elif mode == "kml":
        kml(sys.argv[2], sys.argv[3])
    elif mode == "dxf":
        dxf(sys.argv[2])
    elif mode == "hostile":
        hostile(sys.argv[2])
