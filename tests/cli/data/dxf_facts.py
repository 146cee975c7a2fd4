# Audits a DXF with ezdxf and lists what it holds, one fact a line, for export_test.
import sys
import ezdxf

doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
print("audit errors", len(auditor.errors))
print("version", doc.dxfversion, doc.encoding, "units", doc.header["$INSUNITS"])
for layer in doc.layers:
    print("layer", layer.dxf.name, layer.dxf.color, layer.dxf.linetype, layer.dxf.lineweight)
for e in doc.modelspace():
    kind = e.dxftype()
    if kind == "INSERT":
        p = e.dxf.insert
        attribs = " ".join("%s=%s" % (a.dxf.tag, a.dxf.text) for a in e.attribs)
        print("INSERT %s %s %.3f %.3f %.3f %s" % (e.dxf.name, e.dxf.layer, p.x, p.y, p.z, attribs))
    elif kind == "LINE":
        a, b = e.dxf.start, e.dxf.end
        print("LINE %s %.3f %.3f %.3f %.3f %.3f %.3f" % (e.dxf.layer, a.x, a.y, a.z, b.x, b.y, b.z))
    elif kind == "LWPOLYLINE":
        points = " ".join("%.3f,%.3f" % (x, y) for x, y in e.get_points("xy"))
        print("LWPOLYLINE %s closed=%s %s" % (e.dxf.layer, e.closed, points))
    elif kind == "TEXT":
        p = e.dxf.insert
        print("TEXT %s [%s] %.3f %.3f h=%g r=%.2f w=%.2f" % (e.dxf.layer, e.dxf.text, p.x, p.y,
              e.dxf.height, e.dxf.rotation, e.dxf.width))
