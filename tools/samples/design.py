# Small builder for Brindlex sample designs (y-up inches).
import math, uuid
from xml.sax.saxutils import quoteattr

def f(v):
    s = ("%.4f" % v).rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s

def pt(p):
    return f"{f(p[0])},{f(p[1])}"

def attrs(d):
    return " ".join(f"{k}={quoteattr(str(v))}" for k, v in d.items() if v is not None)

# ---------------------------------------------------------------- layers
def layer_stack(design, inner=(), colors=None, single_sided=False, mask="20,110,50", overrides=None):
    c = {"top": "205,120,40", "bottom": "60,110,200", "silk": "255,255,255", "bsilk": "220,220,220"}
    if colors:
        c.update(colors)
    rows = [
        ("Top Background", "64,64,64", dict(visible="false")),
        ("Top Package", "140,140,150", dict(visible="false")),
        ("Top Solder Paste", "190,190,190", dict(visible="false")),
        ("Top Silkscreen", c["silk"], dict(fixedColor="true", gerberName="GTO")),
        ("Top Solder Mask", "60," + mask, dict(visible="false", gerberName="GTS")),
        ("Top Copper", c["top"], dict(fixedColor="true", electrical="true", gerberName="GTL", thickness="0.0014", signalName="Top")),
    ]
    for i, (name, color) in enumerate(inner):
        rows.append((name, color, dict(fixedColor="true", electrical="true", gerberName=f"G{i+2}", thickness="0.0012", signalName=name)))
    rows += [
        ("Bottom Copper", c["bottom"], dict(fixedColor="true", electrical="true", gerberName="GBL", thickness="0.0014", signalName="Bottom", routeVertical="true")),
        ("Bottom Solder Mask", "60," + mask, dict(visible="false", gerberName="GBS")),
        ("Bottom Silkscreen", c["bsilk"], dict(fixedColor="true", gerberName="GBO", visible="false" if single_sided else None)),
        ("Bottom Solder Paste", "190,190,190", dict(visible="false")),
        ("Bottom Package", "140,140,150", dict(visible="false")),
        ("Bottom Background", "64,64,64", dict(visible="false", baseMaterialName="FR4", alignment="core",
                                              baseMaterialThickness="0.062", dielectricConstant="4.5")),
    ]
    out = []
    for name, color, extra in rows:
        extra = dict(extra)
        extra.update((overrides or {}).get(name, {}))
        extra = {k: v for k, v in extra.items() if v is not None}
        color = extra.pop("color", color)
        lid = uuid.uuid5(uuid.NAMESPACE_URL, f"brindlex/{design}/{name}")
        out.append(f'        <layer {attrs(dict(id=str(lid), name=name, color=color, **extra))}/>')
    return out, len(rows)

# ---------------------------------------------------------------- footprints
def rot(p, deg):
    a = math.radians(deg)
    c, s = round(math.cos(a), 6), round(math.sin(a), 6)
    return (c * p[0] - s * p[1], s * p[0] + c * p[1])

class Footprint:
    def __init__(self, ref, x, y, deg=0, package="", partType="", value="", bottom=False, **meta):
        self.ref, self.x, self.y, self.deg = ref, x, y, deg
        self.package, self.partType, self.value = package, partType, value
        self.bottom = bottom
        self.meta = meta
        self.pads = []    # (name, local (x,y), dict)
        self.silk = []
        # The package family the part belongs to: its element name and
        # parameters, written on boards that use parametric footprints.
        self.family = None

    def package_family(self, element, **params):
        """Records the part's package family. The parameters describe the
        package the stored pads and outlines already are; the pads stay as
        written."""
        def text(v):
            if isinstance(v, bool):
                return "true" if v else "false"
            if isinstance(v, tuple):
                return ",".join(f(x) for x in v)
            if isinstance(v, float):
                return f(v)
            return str(v)
        self.family = (element, {k: text(v) for k, v in params.items() if v is not None})
        return self

    def pad(self, name, at, size=None, diameter=None, hole=None, smt=True, shape=None, roundness=None):
        self.pads.append((name, at, dict(size=size, diameter=diameter, hole=hole, smt=smt, shape=shape, roundness=roundness)))
        return self

    def outline(self, x, y, w, h, shape="rectangle", **extra):
        self.silk.append(dict(x=f(x), y=f(y), width=f(w), height=f(h), shape=shape, **extra))
        return self

    def at(self, name):
        for n, p, _ in self.pads:
            if str(n) == str(name):
                if self.bottom:
                    p = (-p[0], p[1])
                q = rot(p, self.deg)
                return (self.x + q[0], self.y + q[1])
        raise KeyError(f"{self.ref}.{name}")

    def extent(self):
        """The part's box in its own coordinates: outlines and pads."""
        xs, ys = [], []
        for sk in self.silk:
            x, y, w, h = (float(sk[k]) for k in ("x", "y", "width", "height"))
            xs += [x, x + w]; ys += [y, y + h]
        for _, p, o in self.pads:
            if o["diameter"] is not None:
                hw = hh = o["diameter"] / 2
            else:
                hw, hh = o["size"][0] / 2, o["size"][1] / 2
            xs += [p[0] - hw, p[0] + hw]; ys += [p[1] - hh, p[1] + hh]
        return min(xs), min(ys), max(xs), max(ys)

    def texts_xml(self, board, silk_layer):
        """The reference above the part and the part value: below it on the
        silkscreen, or inside its outline on the package layer."""
        x0, y0, x1, y1 = self.extent()
        if self.meta.get("upright"):
            return self.upright_texts_xml(board, silk_layer, (x0, y0, x1, y1))
        # Mounting holes and edge pads carry their texts hidden.
        shown = self.meta.get("label", True) is not False and self.partType != "Mounting hole"
        # A part turned by 180 or 270 degrees has its texts turned half a turn
        # more, so that they read upright (and land on the other side).
        turn = self.deg % 360 in (180, 270)
        half = dict(m11="-1", m12="0", m21="0", m22="-1")
        out = []
        h = board.text_height
        ref_at = self.meta.get("ref_at")
        if ref_at is None:
            ref_at = (0, y1 + h * 0.9)
            if turn:
                ref_at = (0, -(y0 - h * 0.9))
        td = dict(layer=silk_layer, text=self.ref, at=pt(ref_at), familyName="Arial", height=f(h),
                  brushColor="255,255,255", visibleInPcb="true" if shown else "false")
        if turn:
            td.update(half)
        out.append(f'            <footprintId {attrs(td)}/>')
        # A part without a value (a mounting hole) shows its package there.
        value = self.value or self.package
        value_on = self.meta.get("value_on", board.value_on)
        vh = board.value_height or round(h * 0.8, 4)
        if value_on in ("package", "inside"):
            if self.silk:
                sk = self.silk[0]
                w, hh = float(sk["width"]), float(sk["height"])
                cx, cy = float(sk["x"]) + w / 2, float(sk["y"]) + hh / 2
            else:
                w, hh, cx, cy = x1 - x0, y1 - y0, (x0 + x1) / 2, (y0 + y1) / 2
            # Fitted inside the outline: an average glyph is about 0.75 of the height wide.
            vh = min(vh, 0.85 * w / (0.75 * len(value)), 0.6 * hh)
            at = (cx, cy) if not turn else (-cx, -cy)
            if value_on == "package":
                layer, color = (board.count - 2 if self.bottom else 1), "170,170,180"
            else:
                layer, color = silk_layer, "255,255,255"
        else:
            layer = silk_layer
            at = (0, y0 - vh * 0.9) if not turn else (0, -(y1 + vh * 0.9))
            color = "255,255,255"
        at = self.meta.get("value_at", at)
        vd = dict(layer=layer, text=value, at=pt(at), familyName="Arial", height=f(vh), brushColor=color,
                  showInPcb="true" if shown else "false")
        if turn:
            vd.update(half)
        out.append(f'            <footprintPartValue {attrs(vd)}/>')
        return out

    def upright_texts_xml(self, board, silk_layer, extent):
        """Texts turned back against the part, so they read level on the board;
        their positions are offsets on the board from the part's origin."""
        x0, y0, x1, y1 = extent
        corners = [rot(p, self.deg) for p in ((x0, y0), (x1, y0), (x1, y1), (x0, y1))]
        gx0, gx1 = min(p[0] for p in corners), max(p[0] for p in corners)
        gy0, gy1 = min(p[1] for p in corners), max(p[1] for p in corners)
        a = math.radians(self.deg)
        c, s = round(math.cos(a), 6), round(math.sin(a), 6)
        back = dict(m11=f(c), m12=f(-s), m21=f(s), m22=f(c))
        h = board.text_height
        vh = board.value_height or round(h * 0.8, 4)
        ref_at = self.meta.get("ref_at", ((gx0 + gx1) / 2, gy1 + h * 0.9))
        value_at = self.meta.get("value_at", ((gx0 + gx1) / 2, gy0 - vh * 0.9))
        td = dict(layer=silk_layer, text=self.ref, at=pt(ref_at), familyName="Arial", height=f(h),
                  brushColor="255,255,255", visibleInPcb="true", **back)
        vd = dict(layer=silk_layer, text=self.value, at=pt(value_at), familyName="Arial", height=f(vh),
                  brushColor="255,255,255", showInPcb="true", **back)
        return [f'            <footprintId {attrs(td)}/>', f'            <footprintPartValue {attrs(vd)}/>']

    def xml(self, board):
        a = math.radians(self.deg)
        c, s = round(math.cos(a), 6), round(math.sin(a), 6)
        m11, m12, m21, m22 = c, s, -s, c
        if self.bottom:
            m11, m12 = -m11, -m12
        d = dict(identifier=self.ref, package=self.package or None, partType=self.partType or None,
                 partNumber=self.value or None, onTopLayer="false" if self.bottom else "true")
        d.update({k: v for k, v in self.meta.items() if k not in ("label", "ref_at", "value_at", "value_on", "upright")})
        if (m11, m12, m21, m22) != (1, 0, 0, 1):
            d.update(m11=f(m11), m12=f(m12), m21=f(m21), m22=f(m22))
        d.update(dx=f(self.x), dy=f(self.y))
        element = "footprint"
        if self.family and board.parametric:
            element, params = self.family
            d.update(params)
        lines = [f'        <{element} {attrs(d)}>', '          <entities>']
        copper = board.bottom_index if self.bottom else 5
        for name, p, o in self.pads:
            if o["smt"]:
                layers = [copper]
            elif board.single_sided:
                layers = [board.bottom_index]
            else:
                layers = [5, board.bottom_index]
            for layer in layers:
                pid = board.next_id()
                board.pad_ids.setdefault(f"{self.ref}.{name}", pid)
                pd = dict(identifier=f"{self.ref}.{name}", id=pid, name=str(name), layer=layer, at=pt(p))
                if o["diameter"] is not None:
                    pd["diameter"] = f(o["diameter"])
                    pd["curveType"] = "ellipse"
                else:
                    pd["size"] = pt(o["size"])
                    if o["shape"] == "ellipse":
                        pd["curveType"] = "ellipse"
                if o["roundness"] is not None:
                    pd["roundness"] = f(o["roundness"])
                if o["hole"] is not None:
                    pd["holeDiameter"] = f(o["hole"])
                pd["smt"] = "true" if o["smt"] else "false"
                pd.update(brushColor="200,140,30", penWidth="0")
                lines.append(f'            <pad {attrs(pd)}/>')
        silk_layer = board.bottom_silk_index if self.bottom else 3
        lines += self.texts_xml(board, silk_layer)
        for sk in self.silk:
            sd = dict(layer=silk_layer, penWidth="0.008", penColor="255,255,255", lockedTo="none", visibleInPcb="true")
            sd.update(sk)
            lines.append(f'            <silkscreen {attrs(sd)}/>')
        lines += ['          </entities>', f'        </{element}>']
        return lines

# Package builders: pads in local coordinates, pin 1 square for through-hole.
def dip(fp, n, pitch=0.1, span=0.3, pad=0.065, hole=0.035):
    half = n // 2
    for i in range(half):
        y = (half - 1) / 2 * pitch - i * pitch
        if i == 0:
            fp.pad(1, (-span / 2, y), size=(pad, pad), hole=hole, smt=False)
        else:
            fp.pad(i + 1, (-span / 2, y), diameter=pad, hole=hole, smt=False)
        fp.pad(n - i, (span / 2, y), diameter=pad, hole=hole, smt=False)
    h = half * pitch + 0.02
    # Two rows of half the pins: the pitch is the rows' span, then the pin pitch.
    fp.package_family("dipFootprint", doubleSided=True, pitch=(span, pitch), rows=half, leadType="straight",
                      padSize=(pad, pad), holeDiameter=hole, roundPads=True, type="dip")
    return fp.outline(-span / 2 + 0.07, -h / 2, span - 0.14, h, notchOnRight="top")

def soic(fp, n, pitch=0.05, span=0.21, pw=0.024, pl=0.06):
    half = n // 2
    for i in range(half):
        y = (half - 1) / 2 * pitch - i * pitch
        fp.pad(i + 1, (-span / 2 - 0.02, y), size=(pl, pw), roundness=0.25)
        fp.pad(n - i, (span / 2 + 0.02, y), size=(pl, pw), roundness=0.25)
    h = half * pitch + 0.01
    fp.package_family("soicFootprint", doubleSided=True, pitch=(span + 0.04, pitch), rows=half, leadType="gullWing",
                      padSize=(pl, pw), padRoundness=0.25)
    return fp.outline(-span / 2 + 0.04, -h / 2, span - 0.08, h, notchOnRight="top")

def qfn(fp, n, pitch=0.02, body=0.2):
    side = n // 4
    k = 1
    off = body / 2
    for s_ in range(4):
        for i in range(side):
            t = (side - 1) / 2 * pitch - i * pitch
            p = [(-off, t), (-t, -off), (off, -t), (t, off)][s_]
            size = (0.03, 0.01) if s_ in (0, 2) else (0.01, 0.03)
            fp.pad(k, p, size=size, roundness=0.5)
            k += 1
    fp.pad(k, (0, 0), size=(body * 0.6, body * 0.6))
    # No leads, and the exposed pad in the middle: its margin is the gap to
    # the inner ends of the side pads.
    fp.package_family("qfpFootprint", arrangeTerminals="fourSided", pitch=pitch, rows=side, columns=side,
                      leadless="leadLess", padSize=(0.03, 0.01), padRoundness=0.5, addCenterPads=True,
                      centerPadMargin=round(off - 0.015 - body * 0.3, 4))
    m = body / 2 + 0.025
    return fp.outline(-m, -m, 2 * m, 2 * m, shape="rectangleCorners", cornerSize=f"{f(body / 4)},{f(body / 4)}")

def qfp(fp, n, pitch=0.0315, off=0.165, pl=0.06, pw=0.018, body=0.23):
    """Gull-wing leads on four sides, pin 1 at the top of the left side and
    counting anticlockwise; the outline is the body inside the leads."""
    side = n // 4
    k = 1
    for s_ in range(4):
        for i in range(side):
            t = (side - 1) / 2 * pitch - i * pitch
            p = [(-off, t), (-t, -off), (off, -t), (t, off)][s_]
            size = (pl, pw) if s_ in (0, 2) else (pw, pl)
            fp.pad(k, p, size=size, roundness=0.3)
            k += 1
    fp.package_family("qfpFootprint", arrangeTerminals="fourSided", pitch=pitch, rows=side, columns=side,
                      leadless="gullWing", padSize=(pl, pw), padRoundness=0.3)
    return fp.outline(-body / 2, -body / 2, body, body)

def sot223(fp):
    # Pins 1-3 down the left side, the tab (pin 4) on the right.
    for k in range(3):
        fp.pad(k + 1, (-0.12, 0.09 - k * 0.09), size=(0.08, 0.04))
    fp.pad(4, (0.12, 0), size=(0.08, 0.13))
    fp.package_family("SOT223Footprint", padSize=(0.08, 0.04))
    return fp.outline(-0.065, -0.13, 0.13, 0.26)

def chip(fp, code="0603", polar=False):
    """Two end pads; the outline clears them. A polarised part (diode, LED) gets
    the plain rectangle whose notch marks pin 1, the others a rounded outline."""
    dims = {"0402": (0.04, 0.022, 0.025), "0603": (0.062, 0.03, 0.035), "0805": (0.08, 0.04, 0.05), "1206": (0.12, 0.05, 0.065)}
    span, pw, ph = dims[code]
    fp.pad(1, (-span / 2, 0), size=(pw, ph))
    fp.pad(2, (span / 2, 0), size=(pw, ph))
    if not polar and fp.partType in ("Resistor", "Capacitor"):
        # The body (length, width, height) and its end caps, in millimetres.
        body, cap = {"0402": ((1.0, 0.5, 0.35), 0.25), "0603": ((1.6, 0.8, 0.45), 0.3),
                     "0805": ((2.0, 1.25, 0.5), 0.4), "1206": ((3.2, 1.6, 0.55), 0.5)}[code]
        fp.package_family("chipFootprint", padSize=(pw, ph), padSeparation=span,
                          bodySize3D=tuple(round(v / 25.4, 4) for v in body), capWidth=round(cap / 25.4, 4),
                          eSeries="e24" if fp.partType == "Resistor" else "e12")
    pen = 0.006 if code in ("0402", "0603") else 0.008
    m = 0.008 + pen / 2
    w, h = span + pw + 2 * m, ph + 2 * m
    return fp.outline(-w / 2, -h / 2, w, h, shape="rectangle" if polar else "roundedRectangle", penWidth=f(pen))

def axial(fp, pitch=0.4, pad=0.065, hole=0.035, body=(0.25, 0.09)):
    fp.pad(1, (-pitch / 2, 0), diameter=pad, hole=hole, smt=False)
    fp.pad(2, (pitch / 2, 0), diameter=pad, hole=hole, smt=False)
    resistor = fp.partType == "Resistor"
    fp.package_family("axialFootprint", padSize=(pad, pad), holeDiameter=hole, roundPads=True,
                      eSeries="e24" if resistor else None, addColorBands=resistor, padSeparation=(pitch, 0),
                      bodySize=body)
    return fp.outline(-body[0] / 2, -body[1] / 2, body[0], body[1], shape="roundedRectangle")

def radial(fp, pitch=0.1, dia=0.25, pad=0.06, hole=0.032):
    fp.pad(1, (-pitch / 2, 0), size=(pad, pad), hole=hole, smt=False)
    fp.pad(2, (pitch / 2, 0), diameter=pad, hole=hole, smt=False)
    if "uF" in fp.value:
        # An electrolytic can, its height by its diameter (5 x 11, 6.3 x 11,
        # 10 x 20, 12.5 x 25 mm); "roundness" holds the lead spacing.
        height = {0.2: 0.433, 0.25: 0.433, 0.4: 0.787, 0.5: 0.984}[dia]
        fp.package_family("radialFootprint", padSize=(pad, pad), holeDiameter=hole, packageType="tph",
                          roundness=pitch, bodyDiameter=dia, bodyHeight=height, polarized=True)
    else:
        fp.package_family("discFootprint", padSize=(pad, pad), holeDiameter=hole, padSeparation=pitch, eSeries="e6")
    return fp.outline(-dia / 2, -dia / 2, dia, dia, shape="roundedRectangle")

def header(fp, n, pitch=0.1, rows=1, pad=0.068, hole=0.04):
    k = 1
    for i in range(n):
        for r in range(rows):
            p = ((i - (n - 1) / 2) * pitch, (r - (rows - 1) / 2) * -pitch)
            if k == 1:
                fp.pad(k, p, size=(pad, pad), hole=hole, smt=False)
            else:
                fp.pad(k, p, diameter=pad, hole=hole, smt=False)
            k += 1
    # Pins of the two rows side by side; "rows" counts pins along the header.
    params = dict(doubleSided=rows == 2, pitch=(pitch, pitch), rows=n, leadType="straight", padSize=(pad, pad),
                  holeDiameter=hole, roundPads=True)
    if fp.package.startswith("XH"):
        # The generic header element, which the "type" makes an XH socket.
        fp.package_family("headerFootprint", type="xt", **params)
    else:
        fp.package_family("maleHeaderFootprint", bottom=0.118, top=0.236 if pitch >= 0.1 else 0.118,
                          bodyHeight=pitch, **params)
    return fp.outline(-n * pitch / 2, -rows * pitch / 2, n * pitch, rows * pitch)

def sot23(fp):
    # Pins 1 and 2 down the left side, so that the notch marks pin 1.
    fp.pad(1, (-0.045, 0.0375), size=(0.04, 0.03))
    fp.pad(2, (-0.045, -0.0375), size=(0.04, 0.03))
    fp.pad(3, (0.045, 0), size=(0.04, 0.03))
    fp.package_family("SOT23Footprint", pins=3, padSize=(0.04, 0.03))
    return fp.outline(-0.018, -0.06, 0.036, 0.12, penWidth="0.005")

def to220(fp):
    for i in range(3):
        p = ((i - 1) * 0.1, 0)
        if i == 0:
            fp.pad(1, p, size=(0.07, 0.1), hole=0.045, smt=False, roundness=0.3)
        else:
            fp.pad(i + 1, p, size=(0.07, 0.1), hole=0.045, smt=False, shape="ellipse")
    fp.package_family("to220Footprint", padSize=(0.07, 0.1), holeDiameter=0.045, addHeatSink=False)
    return fp.outline(-0.2, -0.09, 0.4, 0.18)

def led5(fp):
    fp.pad(1, (-0.05, 0), size=(0.065, 0.065), hole=0.035, smt=False)
    fp.pad(2, (0.05, 0), diameter=0.065, hole=0.035, smt=False)
    # The lens: 5 mm (8.6 high) or 3 mm (5.3 high).
    dia, height = (0.118, 0.209) if fp.package == "LED-3MM" else (0.197, 0.339)
    fp.package_family("ledFootprint", padSize=(0.065, 0.065), holeDiameter=0.035, bodyDiameter=dia,
                      bodyHeight=height, padSeparation=0.1)
    return fp.outline(-0.118, -0.118, 0.236, 0.236, shape="roundedRectangle")

def tact(fp):
    for i, p in enumerate([(-0.128, 0.089), (0.128, 0.089), (-0.128, -0.089), (0.128, -0.089)]):
        fp.pad(i + 1, p, diameter=0.07, hole=0.04, smt=False)
    return fp.outline(-0.18, -0.14, 0.36, 0.28)

def hole(fp, d=0.125):
    fp.pad(1, (0, 0), diameter=d + 0.08, hole=d, smt=False)
    return fp

# ---------------------------------------------------------------- board
class Board:
    def __init__(self, name, w, h, inner=(), single_sided=False, colors=None, mask="20,110,50",
                 settings=None, units="mm", layers=None, origin=(0, 0), values="silk", parametric=False):
        self.name, self.w, self.h = name, w, h
        # Parts whose package has a family are written as that family.
        self.parametric = parametric
        self.origin = origin
        if values == "package":
            # The part values are shown on the top package (assembly) layer.
            layers = dict(layers or {})
            layers.setdefault("Top Package", dict(visible=None, fixedColor="true"))
        self.layers, self.count = layer_stack(name, inner, colors, single_sided, mask, layers)
        self.single_sided = single_sided
        self.bottom_index = self.count - 6
        self.bottom_silk_index = self.count - 4
        self.footprints = []
        self.nets = {}
        self.pad_net = {}
        self.extra = []
        self._id = 100
        self.pad_ids = {}   # "REF.PAD" -> the identity of its (first) pad element
        self.border = None
        self.text_height = 0.045
        self.value_height = None  # 0.8 of the reference's height
        # Where part values go: "silk" below the part, "inside" its outline on
        # the silkscreen, or "package": inside the outline on the package layer.
        self.value_on = values
        self.settings = dict(showPage="false", showGrid="false", gridSpacing="0.05", showOrigin="false", units=units,
                             showHoles="true", showPadNames="false", showCopperPours="true", showKeepOuts="true",
                             solderMaskMargin="0.004", renderMode="textured")
        if settings:
            self.settings.update(settings)

    def next_id(self):
        self._id += 1
        return self._id

    def add(self, fp):
        self.footprints.append(fp)
        return fp

    def fp(self, ref):
        return next(x for x in self.footprints if x.ref == ref)

    def P(self, pin_ref):
        ref, pin = pin_ref.split(".")
        return self.fp(ref).at(pin)

    def net(self, name, width=None):
        n = self.nets.setdefault(name, dict(width=0.012, items=[]))
        if width is not None:
            n["width"] = width
        return n

    def track(self, net, points, layer=5):
        pts = [self.P(p) if isinstance(p, str) else p for p in points]
        for p in points:
            if isinstance(p, str):
                self.pad_net[p] = net
        self.net(net)["items"].append(("track", layer, pts))
        return pts

    def route(self, net, a, b, layer=5, first="h"):
        """A 45-degree dogleg from a to b (pad specs or points)."""
        pa = self.P(a) if isinstance(a, str) else a
        pb = self.P(b) if isinstance(b, str) else b
        dx, dy = pb[0] - pa[0], pb[1] - pa[1]
        if abs(dx) < 1e-6 or abs(dy) < 1e-6 or abs(abs(dx) - abs(dy)) < 1e-6:
            mid = []
        elif first == "h":
            run = abs(dx) - abs(dy)
            mid = [(pa[0] + math.copysign(run, dx), pa[1])] if run > 0 else [(pa[0], pa[1] + math.copysign(-run, dy))]
        else:
            run = abs(dy) - abs(dx)
            mid = [(pa[0], pa[1] + math.copysign(run, dy))] if run > 0 else [(pa[0] + math.copysign(-run, dx), pa[1])]
        return self.track(net, [a] + mid + [b], layer)

    def via(self, net, p, d=0.035, hole_d=0.016):
        self.net(net)["items"].append(("via", p, d, hole_d))

    def connect(self, net, *pads):
        for p in pads:
            self.pad_net[p] = net
        self.net(net)

    def outline_rect(self, r=0.05, fill="170,10,60,25", **extra):
        self.border = dict(x=f(self.origin[0]), y=f(self.origin[1]), width=f(self.w), height=f(self.h), roundness=f(r), penWidth="0.01",
                           penColor="230,230,0", color=fill, **extra)

    def outline_points(self, points, **extra):
        xs = [p[0] for p in points]; ys = [p[1] for p in points]
        self.border = dict(curveType="curve", style="straight", closed="true",
                           points=" ".join(pt(p) for p in points), x=f(min(xs)), y=f(min(ys)),
                           width=f(max(xs) - min(xs)), height=f(max(ys) - min(ys)), penWidth="0.01",
                           penColor="230,230,0", color="170,10,60,25", **extra)

    def shapes_of(self, net, layer, clearance):
        """Copper of every other net on the layer, grown by the clearance."""
        from shapely.geometry import Point, LineString, box
        from shapely import affinity
        parts = []
        for fp in self.footprints:
            for name, p, o in fp.pads:
                padnet = self.pad_net.get(f"{fp.ref}.{name}")
                if o["smt"]:
                    on_layer = (self.bottom_index if fp.bottom else 5) == layer
                else:
                    on_layer = True
                if not on_layer or (padnet == net and net is not None):
                    continue
                c = fp.at(name)
                if o["diameter"] is not None:
                    parts.append(Point(c).buffer(o["diameter"] / 2 + clearance, 16))
                else:
                    w, h = o["size"]
                    shape = box(-w / 2, -h / 2, w / 2, h / 2)
                    shape = affinity.rotate(shape, fp.deg, origin=(0, 0))
                    parts.append(affinity.translate(shape, c[0], c[1]).buffer(clearance, 4))
        for nname, n in self.nets.items():
            if nname == net:
                continue
            for item in n["items"]:
                if item[0] == "via":
                    parts.append(Point(item[1]).buffer(item[2] / 2 + clearance, 16))
                elif item[1] == layer:
                    parts.append(LineString(item[2]).buffer(n["width"] / 2 + clearance, 8))
        return parts

    def pour(self, layer, net, outline, clearance=0.014, keepouts=(), kind="copperPour"):
        """A pour over the outline, cleared around the copper of every other net on the layer."""
        from shapely.geometry import Polygon
        from shapely.ops import unary_union
        area = Polygon(outline)
        cut = unary_union(self.shapes_of(net, layer, clearance) + [Polygon(k) for k in keepouts])
        result = area.difference(cut)
        polys = [result] if result.geom_type == "Polygon" else list(result.geoms)
        polys = [q for q in polys if q.area > 0.002]
        if not hasattr(self, "pour_geoms"):
            self.pour_geoms = []
        self.pour_geoms.append((layer, net, unary_union(polys)))
        xs = [p[0] for p in outline]; ys = [p[1] for p in outline]
        d = dict(identifier=net + " pour", layer=layer, signalName=net, x=f(min(xs)), y=f(min(ys)),
                 width=f(max(xs) - min(xs)), height=f(max(ys) - min(ys)), curveType="curve", style="straight",
                 closed="true", points=" ".join(pt(p) for p in outline), penWidth="0", steps="16", addThermalRelief="true")
        if kind == "splitPowerPlane":
            d.pop("steps"); d.pop("addThermalRelief")
        lines = [f'        <{kind} {attrs(d)}>', '          <fill>']
        def ring(points, is_hole):
            lines.append('            <polygon isHole="true">' if is_hole else '            <polygon>')
            pts = list(points)[:-1]
            lines.extend(f'              <vertex at="{pt(p)}"/>' for p in pts)
            lines.append('            </polygon>')
        for q in polys:
            ring(q.exterior.coords, False)
            for hole_ring in q.interiors:
                ring(hole_ring.coords, True)
        lines += ['          </fill>', f'        </{kind}>']
        self.extra.append(lines)

    def xml(self):
        out = [f'    <pcb id="100" name={quoteattr(self.name + " Board")}>',
               f'      <settings {attrs(self.settings)}/>',
               f'      <layers showPcbSolid="false" singleSided="{"true" if self.single_sided else "false"}">']
        out += self.layers
        out += ['      </layers>', '      <entities>']
        if self.border:
            out.append(f'        <pcbBorder {attrs(self.border)}/>')
        for lines in self.extra:
            out += lines
        for fp in self.footprints:
            out += fp.xml(self)
        for name, n in self.nets.items():
            if not n["items"]:
                continue
            out.append(f'        <net {attrs(dict(identifier=name, width=f(n["width"])))}>')
            out.append('          <entities>')
            for item in n["items"]:
                if item[0] == "track":
                    _, layer, pts = item
                    out.append(f'            <track layer="{layer}">')
                    out.append('              <vertices>')
                    out += [f'                <vertex at="{pt(p)}"/>' for p in pts]
                    out.append('              </vertices>')
                    out.append('            </track>')
                else:
                    _, p, d, hd = item
                    out.append(f'            <via at="{pt(p)}" diameter="{f(d)}" holeDiameter="{f(hd)}"/>')
            out.append('          </entities>')
            out.append('        </net>')
        out += ['      </entities>', '    </pcb>']
        return out

def write(path, name, root, sheets, board, version=12, design_version=1):
    out = ['<?xml version="1.0" encoding="UTF-8"?>', f'<{root} version="{version}" designVersion="{design_version}">',
           f'  <design name={quoteattr(name)}>', '    <sheets>']
    # The board first: its pads take their identities, which the schematic
    # terminals name.
    pcb = board.xml()
    problems = []
    for s in sheets:
        lines, found = s.xml(board)
        out += lines
        problems += [f"sheet {s.name}: {p}" for p in found]
    out.append('    </sheets>')
    out += pcb
    out += ['  </design>', f'</{root}>', '']
    with open(path, "w") as fh:
        fh.write("\n".join(out))
    for problem in problems + check(board):
        print(f"{name}: {problem}")

# ---------------------------------------------------------------- checks
def _pad_shape(fp, name, p, o, grow=0.0):
    from shapely.geometry import Point, box
    from shapely import affinity
    c = fp.at(name)
    if o["diameter"] is not None:
        return Point(c).buffer(o["diameter"] / 2 + grow, 16)
    w, h = o["size"]
    r = 0.0
    if o["shape"] == "ellipse":
        shape = affinity.scale(Point(0, 0).buffer(0.5, 16), w, h)
    else:
        if o["roundness"]:
            r = min(w, h) / 2 * min(o["roundness"], 1.0)
        shape = box(-w / 2 + r, -h / 2 + r, w / 2 - r, h / 2 - r).buffer(r, 4) if r > 0 else box(-w / 2, -h / 2, w / 2, h / 2)
    shape = affinity.rotate(shape, fp.deg, origin=(0, 0))
    shape = affinity.translate(shape, c[0], c[1])
    return shape.buffer(grow, 4) if grow else shape

def check(board, clearance=0.006):
    """Copper of different nets closer than the clearance, and silkscreen outlines over pads."""
    from shapely.geometry import Point, LineString, box
    from shapely.ops import unary_union
    from shapely import affinity
    problems = []
    copper_layers = [5] + [6 + i for i in range(board.count - 12)] + [board.bottom_index]
    if board.single_sided:
        copper_layers = [board.bottom_index]
    for layer in copper_layers:
        nets = {}
        for fp in board.footprints:
            for name, p, o in fp.pads:
                if o["smt"] and (board.bottom_index if fp.bottom else 5) != layer:
                    continue
                key = board.pad_net.get(f"{fp.ref}.{name}") or f"pad {fp.ref}.{name}"
                nets.setdefault(key, []).append(_pad_shape(fp, name, p, o))
        for nname, n in board.nets.items():
            for item in n["items"]:
                if item[0] == "via":
                    nets.setdefault(nname, []).append(Point(item[1]).buffer(item[2] / 2, 16))
                elif item[1] == layer:
                    nets.setdefault(nname, []).append(LineString(item[2]).buffer(n["width"] / 2, 8))
        for (pl, pnet, geom) in getattr(board, "pour_geoms", []):
            if pl == layer:
                nets.setdefault(pnet, []).append(geom)
        merged = {k: unary_union(v) for k, v in nets.items()}
        keys = sorted(merged)
        for i, a in enumerate(keys):
            ga = merged[a]
            for b in keys[i + 1:]:
                gb = merged[b]
                if ga.distance(gb) < clearance - 1e-6:
                    where = ga.buffer(clearance).intersection(gb).representative_point()
                    problems.append(f"layer {layer}: {a} / {b} at {pt((where.x, where.y))}")
    for fp in board.footprints:
        pads = [_pad_shape(fp, name, p, o) for name, p, o in fp.pads]
        for sk in fp.silk:
            x, y, w, h = (float(sk[k]) for k in ("x", "y", "width", "height"))
            ring = box(x, y, x + w, y + h).exterior
            if fp.bottom:
                ring = affinity.scale(ring, -1, 1, origin=(0, 0))
            ring = affinity.translate(affinity.rotate(ring, fp.deg, origin=(0, 0)), fp.x, fp.y)
            line = ring.buffer(float(sk.get("penWidth", 0.008)) / 2)
            for pad in pads:
                if line.intersects(pad):
                    problems.append(f"silkscreen of {fp.ref} over a pad")
                    break
    return problems
