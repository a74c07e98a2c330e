# Schematic sheets of the sample designs (y-up inches): symbols with their
# terminals and texts, nets of wires with junction dots, connectors, buses,
# labels and ports. The nets are worked out from the drawing: wires that
# touch, and the pins they end on, make one net; it takes its name from a
# power symbol, a connector or label on it, or else from the board net of the
# pads its pins stand for. Junction dots go wherever three or more wire ends
# and pins meet.
import math
from xml.sax.saxutils import quoteattr
from design import f, pt, attrs

BODY = dict(penWidth="0.01", penColor="140,0,0", brushColor="255,255,225")
GLYPH = dict(penWidth="0.012", penColor="140,0,0")
THICK = dict(penWidth="0.02", penColor="140,0,0")
# Leads inside a symbol, drawn like the pins (which are black, 0.007).
LEAD = dict(penWidth="0.007", penColor="0,0,0")
WIRE = dict(penWidth="0.01", penColor="0,110,40")
BUS = dict(penWidth="0.035", penColor="0,0,160")
NAME_COLOR = "0,0,139"
REF_COLOR = "100,0,0"
VALUE_COLOR = "100,0,0"
POWER_COLOR = "140,0,0"

LENGTHS = {"point": 0.0, "short": 0.1, "medium": 0.2, "long": 0.3}
DIRS = {"left": (-1, 0), "right": (1, 0), "top": (0, 1), "bottom": (0, -1)}


def key(p):
    return (round(p[0], 4) + 0.0, round(p[1], 4) + 0.0)


def add(p, q):
    return (p[0] + q[0], p[1] + q[1])


def on_segment(p, a, b, eps=1e-6):
    """Whether p lies on the segment a-b, ends included."""
    cross = (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0])
    if abs(cross) > eps * max(1.0, math.dist(a, b)):
        return False
    return (min(a[0], b[0]) - eps <= p[0] <= max(a[0], b[0]) + eps and
            min(a[1], b[1]) - eps <= p[1] <= max(a[1], b[1]) + eps)


def crossing(a, b, c, d):
    """Where the segments a-b and c-d cross or touch, if they do (None for
    parallel ones)."""
    r = (b[0] - a[0], b[1] - a[1])
    q = (d[0] - c[0], d[1] - c[1])
    den = r[0] * q[1] - r[1] * q[0]
    if abs(den) < 1e-12:
        return None
    t = ((c[0] - a[0]) * q[1] - (c[1] - a[1]) * q[0]) / den
    u = ((c[0] - a[0]) * r[1] - (c[1] - a[1]) * r[0]) / den
    if -1e-9 <= t <= 1 + 1e-9 and -1e-9 <= u <= 1 + 1e-9:
        return (a[0] + t * r[0], a[1] + t * r[1])
    return None


class Symbol:
    """One placed part: its body graphics, pins, reference and value, in
    coordinates local to its placement point."""

    def __init__(self, sheet, ref, at, value="", fp=None, power=None, part_type=None):
        self.sheet, self.ref, self.value = sheet, ref, value
        self.x, self.y = at
        # The footprint whose pads the pins stand for (none for power symbols).
        self.fp = fp
        self.power = power
        self.part_type = part_type
        self.items = []
        self.terminals = []    # (attribute dict, pad reference)
        self.pins = {}
        self.texts = []

    def P(self, p):
        return key((self.x + p[0], self.y + p[1]))

    def __getitem__(self, k):
        return self.pins[k]["end"]

    # Body graphics, local coordinates.
    def body(self, x, y, w, h, rounded=False, style=BODY):
        d = dict(x=f(x), y=f(y), width=f(w), height=f(h), **style)
        if rounded:
            d["roundedCorners"] = "true"
        self.items.append(f'<terminalMagnet {attrs(d)}/>')

    def line(self, a, b, style=GLYPH, **extra):
        self.items.append(f'<line {attrs(dict(start=pt(a), end=pt(b), **style, **extra))}/>')

    def polyline(self, points, style=GLYPH):
        for a, b in zip(points, points[1:]):
            self.line(a, b, style)

    def rect(self, x, y, w, h, style=BODY, **extra):
        self.items.append(f'<rectangle {attrs(dict(x=f(x), y=f(y), width=f(w), height=f(h), **style, **extra))}/>')

    def shape(self, points, color="140,0,0"):
        inner = "".join(f'<point at="{pt(p)}"/>' for p in points)
        self.items.append(f'<shape brushColor="{color}" penWidth="0">{inner}</shape>')

    def pin(self, k, at, side, name=None, length="medium", pad=None, show_name=True, show_pad=True,
            nc=False, type=None, height=None, **extra):
        """A terminal at the body's edge leaving it to the given side; its
        outer end is where a wire meets it. `pad` names the footprint pad
        the pin stands for."""
        L = LENGTHS[length]
        d = DIRS[side]
        end = (at[0] + d[0] * L, at[1] + d[1] * L)
        pad_spec = f"{self.fp}.{pad}" if (pad is not None and self.fp) else None
        self.pins[k] = dict(end=self.P(end), pad=pad_spec, net=self.power, nc=nc, name=str(k))
        td = dict(at=pt(at), side=side, length=None if length == "medium" else length, type=type,
                  name=str(k) if name is None else name, familyName="Arial",
                  height=f(height) if height is not None else None, brushColor=NAME_COLOR,
                  padHeight="0.045", nameVisible=None if show_name else "false",
                  numberVisible=None if show_pad else "false", noConnect="true" if nc else None,
                  virtual="true" if pad_spec is None else None)
        td.update(extra)
        self.terminals.append((td, pad_spec))
        return self.P(end)

    def note(self, at, text, height=0.08, color="140,0,0", bold=True):
        """A free text inside the symbol's body."""
        d = dict(text=text, at=pt(at), alignment="middleCenter", familyName="Arial", height=f(height),
                 brushColor=color, bold="true" if bold else None)
        self.items.append(f'<text {attrs(d)}/>')

    def ref_text(self, at, align="middleCenter", height=0.07, hidden=False):
        d = dict(text=self.ref, at=pt(at), alignment=align, familyName="Arial", height=f(height),
                 brushColor=REF_COLOR, bold="true", visible="false" if hidden else None)
        self.texts.append(f'<partId {attrs(d)}/>')

    def value_text(self, at, align="middleCenter", height=0.06, hidden=False, color=VALUE_COLOR, bold=False):
        d = dict(text=self.value, at=pt(at), alignment=align, familyName="Arial", height=f(height),
                 brushColor=color, bold="true" if bold else None, showInSchematic="false" if hidden else None)
        self.texts.append(f'<symbolPartValue {attrs(d)}/>')
        if self.part_type:
            # The kind of part, kept with the value but not shown.
            d = dict(text=self.part_type, at=pt(at), alignment=align, familyName="Arial", height=f(height),
                     brushColor=color, showInSchematic="false")
            self.texts.append(f'<symbolPartType {attrs(d)}/>')

    def xml(self, pad_ids, indent):
        d = dict(identifier=self.ref, dx=f(self.x), dy=f(self.y))
        if self.fp:
            d["footprintName"] = self.fp
        else:
            d["noFootprint"] = "true"
        sp = " " * indent
        out = [f'{sp}<symbol {attrs(d)}>', f'{sp}  <entities>']
        out += [f'{sp}    {item}' for item in self.items]
        for td, pad_spec in self.terminals:
            td = dict(td)
            if pad_spec is not None:
                if pad_spec not in pad_ids:
                    raise KeyError(f"{self.ref}: no pad {pad_spec} on the board")
                td["pad"] = str(pad_ids[pad_spec])
            out.append(f'{sp}    <terminal {attrs(td)}/>')
        out += [f'{sp}    {t}' for t in self.texts]
        out += [f'{sp}  </entities>', f'{sp}</symbol>']
        return out


class Sheet:
    def __init__(self, sid, name, title, units="mm", page=(11, 8.5)):
        self.sid, self.name, self.title, self.units, self.page = sid, name, title, units, page
        self.items = []       # free drawing under everything
        self.notes = []       # free texts over everything
        self.symbols = []
        self.wires = []
        self.flags = []       # (point, name, side, element)
        self.labels = []      # (point, name, text at, alignment, shown)
        self.ports = []       # (point, name, side)
        self.buses = []       # (name, points, label at, alignment)
        self.bus_flags = []   # (point, name, side)
        self.power_count = 0
        # Matrices cross their rows and columns on purpose.
        self.allow_crossings = False

    # ------------------------------------------------ free drawing
    def line(self, a, b, style=GLYPH, **extra):
        self.items.append(f'<line {attrs(dict(start=pt(a), end=pt(b), **style, **extra))}/>')

    def rect(self, x, y, w, h, style=BODY, **extra):
        self.items.append(f'<rectangle {attrs(dict(x=f(x), y=f(y), width=f(w), height=f(h), **style, **extra))}/>')

    def text(self, p, s, height=0.07, align="middleCenter", color="0,0,139", bold=False):
        """Free text; "align" names the side of the point the text lies on."""
        d = dict(text=s, at=pt(p), alignment=align, familyName="Arial", height=f(height), brushColor=color,
                 bold="true" if bold else None)
        self.notes.append(f'<text {attrs(d)}/>')

    # ------------------------------------------------ nets
    def wire(self, *points):
        pts = [key(p) for p in points]
        for a, b in zip(pts, pts[1:]):
            if a == b:
                raise ValueError(f"{self.title}: wire with a zero-length segment at {a}")
        self.wires.append(pts)
        return pts

    def flag(self, p, name, side="right", offpage=False):
        """A connector joining the wire ending at p to the others of that name."""
        self.flags.append((key(p), name, side, "offpageConnector" if offpage else "interWireConnector"))

    def label(self, p, name, at=None, align="bottomRight", shown=True):
        """A net label naming the wire through p; where it is to be read, a
        plain text repeats it (the program does not draw net labels)."""
        at = at or (p[0] + 0.03, p[1] + 0.02)
        self.labels.append((key(p), name, at, align, shown))

    def port(self, p, name, side="left"):
        self.ports.append((key(p), name, side))

    def bus_flag(self, p, name, side="right"):
        """An off-page connector carrying a bus to another sheet."""
        self.bus_flags.append((key(p), name, side))

    def bus(self, name, points, label_at, align="bottomRight"):
        self.buses.append((name, [key(p) for p in points], label_at, align))

    # ------------------------------------------------ symbols
    def symbol(self, ref, at, value="", fp=None, power=None, part_type=None):
        s = Symbol(self, ref, at, value, fp, power, part_type)
        self.symbols.append(s)
        return s

    def ic(self, ref, x, y, w, left=(), right=(), top=(), bottom=(), pitch=0.1, value="", pads=None,
           fp=None, part_type=None, name_height=None, ref_at=None, value_at=None, ref_align=None,
           value_align=None, rows=None, nc=()):
        """A box with named pins down its sides and along its top and bottom;
        `pads` maps pin names to footprint pad names (default: the name).
        The symbol's origin is the box's lower-left corner (x, y)."""
        n = rows or max(len(left), len(right), 1)
        h = (n + 1) * pitch
        s = self.symbol(ref, (x, y), value, fp if fp is not None else ref, part_type=part_type)
        s.body(0, 0, w, h)
        pads = pads or {}
        nh = name_height if name_height is not None else min(0.06, 0.5 * pitch)

        # An entry is a pin name, "" for a gap, "#NAME" for a pin whose name
        # is not shown, or (key, shown name) where two pins share a name.
        def add_pin(entry, at, side):
            if not entry:
                return
            k, shown = entry if isinstance(entry, tuple) else (entry.lstrip("#"), entry.lstrip("#"))
            s.pin(k, at, side, name=shown, pad=pads.get(k, k), height=nh, nc=k in nc,
                  show_name=not (isinstance(entry, str) and entry.startswith("#")))
        for i, e in enumerate(left):
            add_pin(e, (0, h - (i + 1) * pitch), "left")
        for i, e in enumerate(right):
            add_pin(e, (w, h - (i + 1) * pitch), "right")
        for i, e in enumerate(top):
            add_pin(e, (w / 2 + (i - (len(top) - 1) / 2) * pitch, h), "top")
        for i, e in enumerate(bottom):
            add_pin(e, (w / 2 + (i - (len(bottom) - 1) / 2) * pitch, 0), "bottom")
        s.w, s.h = w, h
        s.ref_text(ref_at or (0, h + 0.06), ref_align or "topRight")
        if value:
            # Below the box, or above it on the right where pins leave the bottom.
            if bottom:
                s.value_text(value_at or (w, h + 0.06), value_align or "topLeft")
            else:
                s.value_text(value_at or (0, -0.06), value_align or "bottomRight")
        return s

    def two_pin(self, ref, c, value, vertical, fp, pads, text_side, draw, show_pads=False, half=0.1,
                ref_at=None, value_at=None, ref_height=0.07, value_height=0.06, value_hidden=False, text_dx=0.1):
        """A two-pin part: body drawn by `draw` between +-half along its axis,
        short pins out to +-(half + 0.1). Pin 1 is the upper (left) end."""
        s = self.symbol(ref, c, value, fp if fp is not None else ref)
        p1, p2 = pads
        if vertical:
            s.pin(1, (0, half), "top", name=str(p1), length="short", pad=p1, show_name=False, show_pad=show_pads)
            s.pin(2, (0, -half), "bottom", name=str(p2), length="short", pad=p2, show_name=False, show_pad=show_pads)
        else:
            s.pin(1, (-half, 0), "left", name=str(p1), length="short", pad=p1, show_name=False, show_pad=show_pads)
            s.pin(2, (half, 0), "right", name=str(p2), length="short", pad=p2, show_name=False, show_pad=show_pads)
        draw(s)
        # Texts beside a vertical part, above and below a horizontal one.
        rh, vh = ref_height, value_height
        val = dict(height=vh, hidden=value_hidden)
        if vertical:
            sx = {"right": 1, "left": -1}[text_side or "right"]
            align = "middleRight" if sx > 0 else "middleLeft"
            s.ref_text(ref_at or (sx * text_dx, 0.05), align, height=rh)
            if value:
                s.value_text(value_at or (sx * text_dx, -0.05), align, **val)
        else:
            sy = {"above": 1, "below": -1}[text_side or "above"]
            if sy > 0:
                s.ref_text(ref_at or (0, 0.16), "middleCenter", height=rh)
                if value:
                    s.value_text(value_at or (0, -0.16), "middleCenter", **val)
            else:
                s.ref_text(ref_at or (0, -0.16), "middleCenter", height=rh)
                if value:
                    s.value_text(value_at or (0, -0.27), "middleCenter", **val)
        return s

    def resistor(self, ref, c, value, vertical=True, fp=None, pads=(1, 2), text_side=None, **kw):
        def draw(s):
            if vertical:
                s.body(-0.035, -0.1, 0.07, 0.2)
            else:
                s.body(-0.1, -0.035, 0.2, 0.07)
        return self.two_pin(ref, c, value, vertical, fp, pads, text_side, draw, **kw)

    def potentiometer(self, ref, c, value, fp=None, pads=(1, 2, 3), wiper_side="right", text_side=None, **kw):
        """A vertical resistor with a wiper arrow pressing on its side; the
        wiper pin is "W"."""
        s = self.resistor(ref, c, value, vertical=True, fp=fp, pads=(pads[0], pads[2]),
                          text_side=text_side or ("left" if wiper_side == "right" else "right"), **kw)
        sx = 1 if wiper_side == "right" else -1
        s.pin("W", (sx * 0.1, 0), wiper_side, name=str(pads[1]), length="short", pad=pads[1], show_name=False,
              show_pad=False)
        s.line((sx * 0.1, 0), (sx * 0.045, 0), GLYPH, endCap="arrowAnchor")
        return s

    def capacitor(self, ref, c, value, vertical=True, polar=False, fp=None, pads=(1, 2), text_side=None, **kw):
        kw.setdefault("text_dx", 0.13)   # clear of the plates
        def draw(s):
            g = 0.03
            if vertical:
                s.line((-0.08, g), (0.08, g), THICK)
                s.line((-0.08, -g), (0.08, -g), THICK)
                s.line((0, g), (0, 0.1), LEAD)
                s.line((0, -g), (0, -0.1), LEAD)
                if polar:
                    s.line((-0.11, 0.08), (-0.05, 0.08), GLYPH)
                    s.line((-0.08, 0.05), (-0.08, 0.11), GLYPH)
            else:
                s.line((-g, -0.08), (-g, 0.08), THICK)
                s.line((g, -0.08), (g, 0.08), THICK)
                s.line((-g, 0), (-0.1, 0), LEAD)
                s.line((g, 0), (0.1, 0), LEAD)
                if polar:
                    s.line((-0.11, 0.08), (-0.05, 0.08), GLYPH)
                    s.line((-0.08, 0.05), (-0.08, 0.11), GLYPH)
        return self.two_pin(ref, c, value, vertical, fp, pads, text_side, draw, **kw)

    def inductor(self, ref, c, value, vertical=False, fp=None, pads=(1, 2), text_side=None, **kw):
        def draw(s):
            # Four humps.
            for k in range(4):
                cx = -0.075 + k * 0.05
                pts = [(cx + 0.025 * math.cos(a), 0.025 * math.sin(a)) for a in
                       [math.pi * (1 - i / 8) for i in range(9)]]
                if vertical:
                    pts = [(-p[1], -p[0]) for p in pts]
                s.polyline(pts, GLYPH)
        return self.two_pin(ref, c, value, vertical, fp, pads, text_side, draw, **kw)

    def crystal(self, ref, c, value, vertical=False, fp=None, pads=(1, 2), text_side=None, **kw):
        def draw(s):
            if vertical:
                s.rect(-0.05, -0.035, 0.1, 0.07)
                s.line((-0.08, 0.055), (0.08, 0.055), GLYPH)
                s.line((-0.08, -0.055), (0.08, -0.055), GLYPH)
                s.line((0, 0.055), (0, 0.1), LEAD)
                s.line((0, -0.055), (0, -0.1), LEAD)
            else:
                s.rect(-0.035, -0.05, 0.07, 0.1)
                s.line((-0.055, -0.08), (-0.055, 0.08), GLYPH)
                s.line((0.055, -0.08), (0.055, 0.08), GLYPH)
                s.line((-0.055, 0), (-0.1, 0), LEAD)
                s.line((0.055, 0), (0.1, 0), LEAD)
        return self.two_pin(ref, c, value, vertical, fp, pads, text_side, draw, **kw)

    def diode(self, ref, c, value, direction="down", led=False, fp=None, pads=("A", "K"), text_side=None, **kw):
        """Anode towards the pin "A"; `direction` is the way current flows.
        `pads` names the anode's and the cathode's pads."""
        vertical = direction in ("down", "up")
        flip = direction in ("up", "left")

        def draw(s):
            sg = -1 if flip else 1
            if vertical:
                s.shape([(-0.07, sg * 0.06), (0.07, sg * 0.06), (0, -sg * 0.06)])
                s.line((-0.07, -sg * 0.06), (0.07, -sg * 0.06), GLYPH)
                s.line((0, 0.06), (0, 0.1), LEAD)
                s.line((0, -0.06), (0, -0.1), LEAD)
                if led:
                    for k in (0, 0.05):
                        s.line((0.08, k - 0.02), (0.15, k + 0.04), GLYPH, endCap="arrowAnchor")
            else:
                s.shape([(-sg * 0.06, -0.07), (-sg * 0.06, 0.07), (sg * 0.06, 0)])
                s.line((sg * 0.06, -0.07), (sg * 0.06, 0.07), GLYPH)
                s.line((-0.06, 0), (-0.1, 0), LEAD)
                s.line((0.06, 0), (0.1, 0), LEAD)
                if led:
                    for k in (-0.02, 0.03):
                        s.line((k, 0.08), (k + 0.06, 0.15), GLYPH, endCap="arrowAnchor")
        a, k_ = pads
        if led and text_side is None:
            # Clear of the light's arrows.
            text_side = "left" if vertical else "below"
        # Pin 1 of two_pin is the upper (left) end.
        order = (k_, a) if flip else (a, k_)
        s = self.two_pin(ref, c, value, vertical, fp, order, text_side, draw, **kw)
        ends = [s.pins.pop(1), s.pins.pop(2)]
        if flip:
            ends.reverse()
        s.pins["A"], s.pins["K"] = ends
        s.pins["A"]["name"], s.pins["K"]["name"] = "A", "K"
        return s

    def switch(self, ref, c, value, fp=None, pads=(1, 2), text_side="above", **kw):
        if text_side == "above":
            kw.setdefault("ref_at", (0, 0.2))
        def draw(s):
            s.line((-0.1, 0), (-0.07, 0), LEAD)
            s.line((0.07, 0), (0.1, 0), LEAD)
            s.line((-0.07, 0), (0.07, 0.06), GLYPH)
            s.items.append(f'<rectangle x="-0.085" y="-0.015" width="0.03" height="0.03" roundness="1" penWidth="0.008" penColor="140,0,0" brushColor="255,255,255"/>')
            s.items.append(f'<rectangle x="0.055" y="-0.015" width="0.03" height="0.03" roundness="1" penWidth="0.008" penColor="140,0,0" brushColor="255,255,255"/>')
            s.line((0, 0.03), (0, 0.1), dict(penWidth="0.007", penColor="140,0,0", linePattern="dash"))
            s.line((-0.04, 0.1), (0.04, 0.1), GLYPH)
        return self.two_pin(ref, c, value, False, fp, pads, text_side, draw, **kw)

    def nmos(self, ref, c, value, fp=None, pads=("G", "D", "S"), gate="left", text_side=None):
        """An N-channel enhancement MOSFET: gate pin to one side, drain up,
        source down. `pads` names the gate's, drain's and source's pads."""
        s = self.symbol(ref, c, value, fp if fp is not None else ref)
        m = -1 if gate == "right" else 1      # mirrored with the gate on the right
        g, d, src = pads
        s.items.append(f'<rectangle {attrs(dict(x=f(-0.14 if m > 0 else -0.18), y="-0.17", width="0.32", height="0.34", roundness="1", penWidth="0.01", penColor="140,0,0", brushColor="0,255,255,255"))}/>')
        s.pin("G", (-m * 0.1, 0), "left" if m > 0 else "right", name=str(g), length="short", pad=g,
              show_name=False, show_pad=False)
        s.pin("D", (m * 0.1, 0.1), "top", name=str(d), length="short", pad=d, show_name=False, show_pad=False)
        s.pin("S", (m * 0.1, -0.1), "bottom", name=str(src), length="short", pad=src, show_name=False,
              show_pad=False)
        s.line((-m * 0.1, 0), (-m * 0.06, 0), LEAD)
        s.line((-m * 0.06, -0.1), (-m * 0.06, 0.1), GLYPH)
        for y0 in (0.06, -0.04, -0.14):
            s.line((-m * 0.02, y0), (-m * 0.02, y0 + 0.08), GLYPH)
        s.line((-m * 0.02, 0.1), (m * 0.1, 0.1), GLYPH)
        s.line((-m * 0.02, -0.1), (m * 0.1, -0.1), GLYPH)
        s.line((m * 0.1, 0), (m * 0.1, -0.1), GLYPH)
        # The body lead's arrow points into the channel.
        s.line((m * 0.1, 0), (-m * 0.005, 0), GLYPH, endCap="arrowAnchor")
        side = text_side or ("right" if m > 0 else "left")
        sx = 1 if side == "right" else -1
        align = "middleRight" if sx > 0 else "middleLeft"
        s.ref_text((sx * 0.24, 0.05), align)
        s.value_text((sx * 0.24, -0.05), align)
        return s

    def bridge(self, ref, c, value, fp=None, pads=("~1", "~2", "+", "-")):
        """A bridge rectifier: four diodes round a diamond, the AC pins at
        the top and bottom corners, + at the right, - at the left."""
        s = self.symbol(ref, c, value, fp if fp is not None else ref)
        ac1, ac2, plus, minus = pads
        r = 0.3
        top, right, bottom, left = (0, r), (r, 0), (0, -r), (-r, 0)
        s.polyline([top, right, bottom, left, top])
        # Each diode conducts towards the + corner.
        for a, k in ((left, top), (bottom, right), (left, bottom), (top, right)):
            u = ((k[0] - a[0]) / (2 ** 0.5 * r), (k[1] - a[1]) / (2 ** 0.5 * r))
            n = (-u[1], u[0])
            m = ((a[0] + k[0]) / 2, (a[1] + k[1]) / 2)
            tip = (m[0] + u[0] * 0.04, m[1] + u[1] * 0.04)
            base = (m[0] - u[0] * 0.04, m[1] - u[1] * 0.04)
            s.shape([(base[0] + n[0] * 0.045, base[1] + n[1] * 0.045), (base[0] - n[0] * 0.045, base[1] - n[1] * 0.045), tip])
            s.line((tip[0] + n[0] * 0.045, tip[1] + n[1] * 0.045), (tip[0] - n[0] * 0.045, tip[1] - n[1] * 0.045), GLYPH)
        s.pin("~1", top, "top", name=str(ac1), length="short", pad=ac1, show_name=False)
        s.pin("~2", bottom, "bottom", name=str(ac2), length="short", pad=ac2, show_name=False)
        s.pin("+", right, "right", name=str(plus), length="short", pad=plus, show_name=False)
        s.pin("-", left, "left", name=str(minus), length="short", pad=minus, show_name=False)
        s.ref_text((0.2, 0.3), "middleRight")
        s.value_text((0.2, -0.3), "middleRight")
        return s

    def opamp(self, ref, at, value, fp=None, pads=("-", "+", "OUT", "V+", "V-"), part_type="Op-amp"):
        """An op-amp triangle, inputs on the left (- above +), the output at
        its tip, the supplies above and below; `at` is the middle of its
        input side."""
        s = self.symbol(ref, at, value, fp if fp is not None else ref, part_type=part_type)
        tri = [(0, 0.4), (0.7, 0), (0, -0.4)]
        s.shape(tri, color="255,255,225")
        s.polyline(tri + [tri[0]], dict(penWidth="0.012", penColor="140,0,0"))
        neg, pos, out, vp, vn = pads
        s.pin("-", (0, 0.2), "left", name="\u2212", length="short", pad=neg, height=0.08)
        s.pin("+", (0, -0.2), "left", name="+", length="short", pad=pos, height=0.08)
        s.pin("OUT", (0.7, 0), "right", length="short", pad=out, show_name=False)
        s.pin("V+", (0.35, 0.2), "top", length="short", pad=vp, show_name=False)
        s.pin("V-", (0.35, -0.2), "bottom", length="short", pad=vn, show_name=False)
        s.ref_text((0.45, 0.34), "middleRight")
        s.value_text((0.45, -0.34), "middleRight")
        return s

    def antenna(self, ref, p, value, fp=None):
        """An antenna standing over the point p: its pin hangs down to p."""
        s = self.symbol(ref, (p[0], p[1] + 0.1), value, fp)
        s.pin(1, (0, 0), "bottom", length="short", show_name=False, show_pad=False)
        s.polyline([(0, 0), (0, 0.3)])
        s.polyline([(-0.1, 0.3), (0.1, 0.3), (0, 0.12), (-0.1, 0.3)])
        s.ref_text((0.14, 0.25), "middleRight")
        s.value_text((0.14, 0.14), "middleRight")
        return s

    def edge_pad(self, ref, p, value, nc=False):
        """A single pad of the board (a castellation or test point): a ring
        at p with its pin to the right."""
        s = self.symbol(ref, p, value, ref)
        s.items.append('<rectangle x="-0.04" y="-0.04" width="0.08" height="0.08" roundness="1" '
                       'penWidth="0.012" penColor="140,0,0" brushColor="255,255,225"/>')
        s.pin(1, (0.04, 0), "right", length="short", pad=1, show_name=False, show_pad=False, nc=nc)
        s.ref_text((-0.07, 0.03), "middleLeft", height=0.06)
        s.value_text((-0.07, -0.04), "middleLeft", height=0.045)
        return s

    # Power symbols: a stub pin whose net is named by the symbol.
    def gnd(self, p, net="GND"):
        """A ground symbol hanging under the point p."""
        self.power_count += 1
        s = self.symbol(f"#PWR{self.power_count:02d}", (p[0], p[1] - 0.1), net, power=net)
        s.pin(net, (0, 0), "top", length="short", show_name=False, show_pad=False)
        for i, w in enumerate((0.14, 0.09, 0.04)):
            s.line((-w / 2, -i * 0.03), (w / 2, -i * 0.03), GLYPH)
        s.ref_text((0, -0.12), hidden=True)
        s.value_text((0, -0.14), hidden=True)
        return s

    def supply(self, p, net, down=False, text_height=0.06):
        """A supply bar over the point p (under it for a negative rail), with
        the rail's name."""
        self.power_count += 1
        d = -1 if down else 1
        s = self.symbol(f"#PWR{self.power_count:02d}", (p[0], p[1] + 0.1 * d), net, power=net)
        s.pin(net, (0, 0), "bottom" if not down else "top", length="short", show_name=False, show_pad=False)
        s.line((-0.07, 0), (0.07, 0), dict(penWidth="0.016", penColor=POWER_COLOR))
        s.ref_text((0, d * 0.12), hidden=True)
        s.value_text((0, d * 0.04), "topCenter" if not down else "bottomCenter", height=text_height,
                     color=POWER_COLOR, bold=True)
        return s

    # ------------------------------------------------ connectivity
    def _contribution(self, wire, p):
        """How many wire ends the wire brings to the point p: 1 at an end,
        2 where it passes through or turns there, else 0."""
        if p == wire[0] or p == wire[-1]:
            return 1 if len(wire) > 1 and wire[0] != wire[-1] else 2
        for a, b in zip(wire, wire[1:]):
            if on_segment(p, a, b):
                return 2
        return 0

    def nets(self, board=None):
        """The nets of the sheet: wires grouped by touch, with their pins,
        names, junction dots and connectors. Returns (nets, problems)."""
        problems = []
        pins = [(s, k, v) for s in self.symbols for k, v in s.pins.items()]
        n = len(self.wires)
        parent = list(range(n + len(pins)))

        def find(i):
            while parent[i] != i:
                parent[i] = parent[parent[i]]
                i = parent[i]
            return i

        def union(i, j):
            parent[find(i)] = find(j)

        def touches(wire, p):
            return any(on_segment(p, a, b) for a, b in zip(wire, wire[1:]))
        for i, w in enumerate(self.wires):
            for j in range(i + 1, n):
                v = self.wires[j]
                if touches(w, v[0]) or touches(w, v[-1]) or touches(v, w[0]) or touches(v, w[-1]):
                    union(i, j)
        pin_at = {}
        for k, (s, name, pin) in enumerate(pins):
            pin_at.setdefault(pin["end"], []).append(n + k)
            for i, w in enumerate(self.wires):
                if touches(w, pin["end"]):
                    union(n + k, i)
        # Pins that meet end to end, with no wire between them.
        for ids in pin_at.values():
            for a in ids[1:]:
                union(a, ids[0])

        groups = {}
        for i in range(n + len(pins)):
            groups.setdefault(find(i), []).append(i)

        def group_of(p):
            for i, w in enumerate(self.wires):
                if touches(w, p):
                    return find(i)
            for k, (_, _, pin) in enumerate(pins):
                if pin["end"] == p:
                    return find(n + k)
            return None

        names = {}   # root -> set of (name, why)

        def name(root, nm, why):
            names.setdefault(root, set()).add((nm, why))
        for k, (s, pname, pin) in enumerate(pins):
            root = find(n + k)
            if pin["net"]:
                name(root, pin["net"], "power")
            elif board is not None and pin["pad"] and pin["pad"] in board.pad_net:
                name(root, board.pad_net[pin["pad"]], "board")
        for p, nm, side, element in self.flags:
            root = group_of(p)
            if root is None:
                problems.append(f"connector {nm} at {pt(p)} touches no wire")
                continue
            name(root, nm, "connector")
        for p, nm, at, align, shown in self.labels:
            root = group_of(p)
            if root is None:
                problems.append(f"label {nm} at {pt(p)} touches no wire")
                continue
            name(root, nm, "label")
        for p, nm, side in self.ports:
            root = group_of(p)
            if root is None:
                problems.append(f"port {nm} at {pt(p)} touches no wire")
                continue
            name(root, nm, "port")

        result = {}
        order = []
        unnamed = 0
        for root, members in sorted(groups.items(), key=lambda kv: min(kv[1])):
            wires = [self.wires[i] for i in members if i < n]
            gpins = [pins[i - n] for i in members if i >= n]
            given = names.get(root, set())
            explicit = {nm for nm, why in given if why != "board"}
            board_names = {nm for nm, why in given if why == "board"}
            if len(explicit) > 1:
                problems.append(f"net named {' and '.join(sorted(explicit))}")
            if explicit and board_names and not board_names <= explicit:
                problems.append(f"net {'/'.join(sorted(explicit))} joins board nets {', '.join(sorted(board_names))}")
            elif len(board_names) > 1:
                problems.append(f"net joins board nets {', '.join(sorted(board_names))}")
            if explicit:
                nm = sorted(explicit)[0]
            elif board_names:
                nm = sorted(board_names)[0]
            elif not wires:
                # A lone pin.
                s, pname, pin = gpins[0]
                if not pin["nc"] and not s.power:
                    problems.append(f"pin {s.ref}.{pname} is not wired")
                continue
            else:
                unnamed += 1
                nm = f"N${unnamed}"
            if nm not in result:
                result[nm] = dict(wires=[], pins=[], dots=[], flags=[], labels=[], ports=[])
                order.append(nm)
            result[nm]["wires"] += wires
            result[nm]["pins"] += gpins
            for p, fnm, side, element in self.flags:
                if group_of(p) == root:
                    result[nm]["flags"].append((p, fnm, side, element))
            for lab in self.labels:
                if group_of(lab[0]) == root:
                    result[nm]["labels"].append(lab)
            for port in self.ports:
                if group_of(port[0]) == root:
                    result[nm]["ports"].append(port)

        # Junction dots, and wire ends that meet nothing.
        bus_segments = [(a, b) for _, pts, _, _ in self.buses for a, b in zip(pts, pts[1:])]
        flag_points = {p for p, *_ in self.flags} | {p for p, *_ in self.bus_flags}
        for nm in order:
            net = result[nm]
            pin_points = [pin["end"] for _, _, pin in net["pins"]]
            candidates = set(pin_points)
            for w in net["wires"]:
                candidates.update(w)
            for p in sorted(candidates):
                degree = pin_points.count(p) + sum(self._contribution(w, p) for w in net["wires"])
                if degree >= 3:
                    net["dots"].append(p)
            for w in net["wires"]:
                for p in (w[0], w[-1]):
                    degree = pin_points.count(p) + sum(self._contribution(v, p) for v in net["wires"])
                    if degree < 2 and p not in flag_points and not any(on_segment(p, a, b) for a, b in bus_segments):
                        problems.append(f"wire end at {pt(p)} on {nm} meets nothing")
        # Wires of different nets that cross, and wires of one net that
        # cross without a dot.
        segs = [(nm, a, b) for nm in order for w in result[nm]["wires"] for a, b in zip(w, w[1:])]
        for i, (na, a, b) in enumerate(segs):
            for nb, c, d in segs[i + 1:]:
                x = crossing(a, b, c, d)
                if x is None:
                    continue
                if na != nb:
                    if not self.allow_crossings:
                        problems.append(f"wires of {na} and {nb} cross at {pt(x)}")
                elif key(x) not in result[na]["dots"] and key(x) not in (a, b, c, d):
                    problems.append(f"wires of {na} cross without a dot at {pt(x)}")
        # Pins left unwired.
        wired = {id(pin) for nm in order for _, _, pin in result[nm]["pins"]}
        for s, pname, pin in pins:
            if id(pin) not in wired and not pin["nc"]:
                problems.append(f"pin {s.ref}.{pname} is not wired")
        # Against the board: the nets of the pads the pins stand for.
        if board is not None:
            for nm in order:
                for s, pname, pin in result[nm]["pins"]:
                    bn = board.pad_net.get(pin["pad"]) if pin["pad"] else None
                    if bn is not None and bn != nm:
                        problems.append(f"{s.ref}.{pname} ({pin['pad']}) on {nm}, on the board {bn}")
            for s, pname, pin in pins:
                if pin["nc"] and pin["pad"] in board.pad_net:
                    problems.append(f"{s.ref}.{pname} marked unconnected, on the board {board.pad_net[pin['pad']]}")
        return result, order, problems

    # ------------------------------------------------ file
    def move(self, dx, dy):
        """Moves everything but the free drawing and texts on the page."""
        d = (dx, dy)
        for sym in self.symbols:
            sym.x += dx
            sym.y += dy
            for pin in sym.pins.values():
                pin["end"] = key(add(pin["end"], d))
        self.wires = [[key(add(p, d)) for p in w] for w in self.wires]
        self.flags = [(key(add(p, d)),) + tuple(rest) for p, *rest in self.flags]
        self.labels = [(key(add(p, d)), nm, add(at, d), align, shown) for p, nm, at, align, shown in self.labels]
        self.ports = [(key(add(p, d)),) + tuple(rest) for p, *rest in self.ports]
        self.buses = [(nm, [key(add(p, d)) for p in pts], add(at, d), align) for nm, pts, at, align in self.buses]
        self.bus_flags = [(key(add(p, d)), nm, side) for p, nm, side in self.bus_flags]

    def xml(self, board=None):
        pad_ids = board.pad_ids if board is not None else {}
        s = dict(showPage="true", showBorderReferences="true", showTitleBlock="true", showGrid="false",
                 showOrigin="false", units=self.units, gridSpacing="0.1", pageSize=pt(self.page), title=self.title,
                 wireCorners="orthogonal", showNodeIds="false")
        out = [f'      <schematic id="{self.sid}" name={quoteattr(self.name)}>',
               f'        <settings {attrs(s)}>',
               f'          <nodePen penWidth="0.02" penColor="{WIRE["penColor"]}"/>',
               '        </settings>', '        <entities>']
        sp = " " * 10
        out += [sp + item for item in self.items]
        for sym in self.symbols:
            out += sym.xml(pad_ids, 10)
        nets, order, problems = self.nets(board)
        for index, nm in enumerate(order, 1):
            net = nets[nm]
            d = dict(name=nm, netId=str(index), index=str(index), isGround="true" if nm == "GND" else None, **WIRE)
            out.append(f'{sp}<node {attrs(d)}>')
            for w in net["wires"]:
                out.append(f'{sp}  <wire>')
                out += [f'{sp}    <vertex at="{pt(p)}"/>' for p in w]
                out.append(f'{sp}  </wire>')
            children = []
            for k, p in enumerate(net["dots"], 1):
                children.append(f'<nodeJunction id="{index * 100 + k}" at="{pt(p)}"/>')
            for p, fnm, side, element in net["flags"]:
                children.append(f'<{element} at="{pt(p)}" nodeName={quoteattr(fnm)} orientation="{side}">')
                children.append('  <fillBrush brushColor="255,250,200"/>')
                children.append('  <textBrush brushColor="0,0,120"/>')
                children.append('  <font familyName="Arial" height="0.05"/>')
                children.append(f'</{element}>')
            for p, lnm, at, align, shown in net["labels"]:
                children.append(f'<nodeId {attrs(dict(text=lnm, at=pt(at), alignment=align, familyName="Arial", height="0.05", brushColor="0,90,30"))}/>')
            for p, pnm, side in net["ports"]:
                children.append(f'<port at="{pt(p)}" nodeName={quoteattr(pnm)} side="{side}"/>')
            if children:
                out.append(f'{sp}  <entities>')
                out += [f'{sp}    {c}' for c in children]
                out.append(f'{sp}  </entities>')
            out.append(f'{sp}</node>')
        for name, pts, label_at, align in self.buses:
            out.append(f'{sp}<bus name={quoteattr(name)}>')
            out.append(f'{sp}  <entities>')
            out.append(f'{sp}    <wire>')
            out += [f'{sp}      <vertex at="{pt(p)}"/>' for p in pts]
            out.append(f'{sp}    </wire>')
            out.append(f'{sp}  </entities>')
            out.append(f'{sp}</bus>')
            # The bus itself draws nothing: its path is shown by a thick line.
            for a, b in zip(pts, pts[1:]):
                out.append(f'{sp}<line {attrs(dict(start=pt(a), end=pt(b), **BUS))}/>')
            d = dict(text=name, at=pt(label_at), alignment=align, familyName="Arial", height="0.06",
                     brushColor=BUS["penColor"], bold="true")
            out.append(f'{sp}<busId {attrs(d)}/>')
        for p, name, side in self.bus_flags:
            out.append(f'{sp}<offpageConnector at="{pt(p)}" name={quoteattr(name)} orientation="{side}">')
            out.append(f'{sp}  <fillBrush brushColor="220,225,255"/>')
            out.append(f'{sp}  <textBrush brushColor="0,0,160"/>')
            out.append(f'{sp}  <font familyName="Arial" height="0.05" bold="true"/>')
            out.append(f'{sp}</offpageConnector>')
        # Where a net label is to be read, a plain text repeats it.
        for p, lnm, at, align, shown in self.labels:
            if shown:
                d = dict(text=lnm, at=pt(at), alignment=align, familyName="Arial", height="0.05", brushColor="0,90,30")
                out.append(f'{sp}<text {attrs(d)}/>')
        out += [sp + item for item in self.notes]
        out += ['        </entities>', '      </schematic>']
        return out, problems
