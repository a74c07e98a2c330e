import sys, math
sys.path.insert(0, __import__("os").path.dirname(__file__))
from design import *

OUT = sys.argv[1] if len(sys.argv) > 1 else __import__("os").path.join(__import__("os").path.dirname(__file__), "..", "..", "resources", "samples")

def rect_outline(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]

# ================================================================ Quorlan
# The start-up design: a small sensor node. A 3.3 V regulator fed from a
# 2-pin input, a QFP-32 microcontroller with its crystal and decoupling, a
# temperature/humidity sensor on I2C with pull-ups, a status LED, a UART
# header and an SWD programming header; ground poured on the bottom.
def quorlan():
    OX, OY = 0.4, 0.3   # the board's corner on the 3 x 2 inch page

    def O(x, y):
        return (round(x + OX, 5), round(y + OY, 5))

    def path(*points):
        return [O(*p) if isinstance(p, tuple) else p for p in points]

    b = Board("Quorlan", 2.2, 1.4, units="mm", origin=(OX, OY), values="package",
              layers={"Top Solder Mask": dict(visible=None, color="160,0,90,40")},
              settings=dict(showPage="true", pageSize="3,2", showGrid="true", gridSpacing="0.1",
                            showOrigin="true", originOffset=pt((OX, OY)), showPadNames="true",
                            firstManualRouteLayer="5", secondManualRouteLayer="6"))
    b.text_height = 0.04
    b.outline_rect(0.06)
    bot = b.bottom_index

    def add(fp):
        return b.add(fp)

    def part(ref, x, y, deg, package, kind, value, **meta):
        return Footprint(ref, *O(x, y), deg, package, kind, value, **meta)

    # Power in and the regulator.
    add(header(part("J1", 0.13, 0.75, 90, "XH-2", "Connector", "5-12V in", upright=True), 2, pad=0.08, hole=0.045))
    add(sot223(part("U2", 0.45, 0.98, 0, "SOT-223", "Regulator", "QL1117-3.3", manufacturer="Quorlan Devices")))
    add(chip(part("C1", 0.33, 0.70, 90, "0805", "Capacitor", "10uF"), "0805"))
    add(chip(part("C2", 0.68, 1.06, 90, "0805", "Capacitor", "10uF"), "0805"))
    # The microcontroller with its decoupling and crystal.
    add(qfp(part("U1", 1.10, 0.78, 0, "LQFP-32 7x7", "Microcontroller", "QL-M0 32K", manufacturer="Quorlan Devices"), 32))
    add(chip(part("C3", 0.84, 0.89025, 0, "0603", "Capacitor", "100nF"), "0603"))
    add(chip(part("C4", 1.10, 0.50, 0, "0603", "Capacitor", "100nF", ref_at=(0, -0.14)), "0603"))
    # The crystal's texts below it and its load capacitors', above and below.
    add(chip(part("Y1", 0.72, 0.76, 90, "XTAL-3215", "Crystal", "8 MHz", ref_at=(-0.125, 0)), "1206"))
    add(chip(part("C5", 0.61, 0.82, 0, "0402", "Capacitor", "12pF"), "0402"))
    add(chip(part("C6", 0.61, 0.70, 0, "0402", "Capacitor", "12pF", ref_at=(0, -0.055)), "0402"))
    # The sensor, its pull-ups and decoupling.
    add(soic(part("U3", 1.72, 1.00, 0, "SOIC-8", "Sensor", "QTH-20 T/RH", manufacturer="Quorlan Devices"), 8))
    add(chip(part("R1", 1.36, 0.86, 90, "0603", "Resistor", "4.7k"), "0603"))
    add(chip(part("R2", 1.42, 0.70, 90, "0603", "Resistor", "4.7k"), "0603"))
    add(chip(part("C7", 1.93, 1.10, 90, "0603", "Capacitor", "100nF", ref_at=(0, -0.075)), "0603"))
    # Status LED, headers, mounting holes.
    add(chip(part("R3", 1.45, 0.50, 0, "0603", "Resistor", "1k"), "0603"))
    add(chip(part("D1", 1.60, 0.50, 180, "0603", "LED", "Green 0603"), "0603", polar=True))
    add(header(part("J2", 2.07, 0.55, 90, "HDR-1x4", "Connector", "UART", upright=True), 4))
    add(header(part("J3", 0.75, 0.15, 0, "HDR-1x5", "Connector", "SWD", ref_at=(-0.31, 0)), 5))
    for i, (x, y) in enumerate([(0.13, 0.13), (2.07, 0.13), (0.13, 1.27), (2.07, 1.27)]):
        add(hole(part(f"H{i+1}", x, y, 0, "MTG-2.5", "Mounting hole", "M2.5"), 0.1))

    b.net("VIN", 0.024)
    b.net("3V3", 0.016)
    b.net("GND", 0.016)
    b.track("VIN", path("J1.1", (0.22, 0.70), (0.26, 0.74), "C1.2", "U2.3"))
    b.track("3V3", path("U2.2", "U2.4"))
    b.track("3V3", path("U2.4", (0.63, 0.98), (0.68, 1.03), (0.871, 1.03), "C3.2", "U1.1"))
    b.connect("3V3", "C2.1")
    b.track("3V3", path("U1.13", (1.11575, 0.55), "C4.1", (1.069, 0.43)))
    b.track("3V3", path("R1.2", (1.36, 0.95)))
    b.track("3V3", path("R2.1", (1.42, 0.60)))
    b.track("3V3", path("U3.8", "C7.1", (1.93, 1.00)))
    # The bottom side carries 3.3 V from the regulator to the far parts.
    for p in [(0.80, 1.03), (1.069, 0.43), (1.36, 0.95), (1.42, 0.60), (1.93, 1.00)]:
        b.via("3V3", O(*p), 0.03, 0.014)
    b.track("3V3", path((0.80, 1.03), (0.80, 0.95), (1.069, 0.681), (1.069, 0.43), (1.139, 0.36), (1.93, 0.36), (1.93, 1.00)), layer=bot)
    b.track("3V3", path((1.069, 0.43), (0.939, 0.30), (0.60, 0.30), (0.55, 0.25), "J3.1"), layer=bot)
    b.track("3V3", path((1.36, 0.95), (1.36, 0.66), (1.42, 0.60), (1.42, 0.36)), layer=bot)
    b.track("3V3", path((1.93, 0.70), "J2.4"), layer=bot)

    # Ground: short stubs to vias into the bottom pour.
    gnd_vias = []
    def to_ground(*points):
        b.track("GND", path(*points))
        gnd_vias.append(points[-1])
    to_ground("C1.1", (0.33, 0.60))
    to_ground("U2.1", (0.24, 1.07))
    to_ground("C2.2", (0.68, 1.17))
    b.track("GND", path("U1.2", (0.809, 0.85875), "C3.1"))
    to_ground("C3.1", (0.76, 0.89025))
    to_ground("C5.1", (0.53, 0.82))
    to_ground("C6.1", (0.53, 0.70))
    to_ground("U1.7", (0.87, 0.70125))           # BOOT0 held low
    b.track("GND", path("U1.14", (1.14725, 0.55), "C4.2"))
    to_ground("C4.2", (1.131, 0.43))
    b.track("GND", path("U3.3", "U3.4"))          # sensor address pin low
    to_ground("U3.4", (1.595, 0.87))
    to_ground("C7.2", (1.93, 1.20))
    to_ground("D1.1", (1.69, 0.50))
    for p in gnd_vias + [(0.45, 1.25), (1.10, 1.25), (1.80, 1.30), (0.30, 0.40), (1.55, 0.20)]:
        b.via("GND", O(*p), 0.03, 0.014)
    b.connect("GND", "J1.2", "J2.1", "J3.5", "H1.1", "H2.1", "H3.1", "H4.1")

    # Crystal.
    b.track("XIN", path("U1.3", (0.78, 0.82725), "Y1.2", "C5.2"))
    b.track("XOUT", path("U1.4", (0.87, 0.79575), (0.80, 0.72575), "Y1.1", "C6.2"))
    # Programming header.
    b.track("NRST", path("U1.8", (0.88, 0.66975), (0.88, 0.50), (0.65, 0.27), "J3.2"))
    b.track("SWDIO", path("U1.9", (0.98975, 0.48), (0.75, 0.24), "J3.3"))
    b.track("SWCLK", path("U1.10", (1.02125, 0.44), (0.85, 0.27), "J3.4"))
    # I2C to the sensor, pulled up on the way.
    b.track("SDA", path("U1.21", (1.40, 0.79575), (1.49, 0.88575), (1.49, 1.075), "U3.1"))
    b.track("SDA", path("R1.1", (1.36, 0.79575)))
    b.track("SCL", path("U1.20", (1.43, 0.76425), (1.52, 0.85425), (1.52, 1.025), "U3.2"))
    b.track("SCL", path("R2.2", (1.42, 0.76425)))
    # UART out to the edge header.
    b.track("TX", path("U1.15", (1.17875, 0.33), (1.20875, 0.30), (1.87, 0.30), "J2.2"))
    b.track("RX", path("U1.16", (1.21025, 0.37), (1.24025, 0.34), (1.83, 0.34), "J2.3"))
    # Status LED.
    b.track("LED", path("U1.17", (1.30, 0.66975), (1.34, 0.62975), (1.34, 0.50), "R3.1"))
    b.track("LEDA", path("R3.2", "D1.2"))

    b.pour(bot, "GND", [O(0.03, 0.03), O(2.17, 0.03), O(2.17, 1.37), O(0.03, 1.37)], clearance=0.012)

    s = Sheet(1, "Main", "Quorlan sensor node", units="mm")
    quorlan_schematic(s)
    write(f"{OUT}/Quorlan.project", "Quorlan", "quorlan", [s], b)


def quorlan_schematic(s):
    """Three framed blocks (power, controller with its sensor, connectors),
    each drawn out in full; wires cross between them where the design does."""
    FRAME = dict(penWidth="0.014", penColor="0,0,139", linePattern="dash", brushColor="0,255,255,255")
    BAND = dict(penWidth="0", penColor="0,0,0,0", brushColor="215,225,240")
    def frame(x, y, w, h):
        s.rect(x, y + h - 0.16, w, 0.16, BAND)   # a heading band across the top
        s.rect(x, y, w, h, FRAME)
    frame(0.6, 4.3, 3.0, 2.3)     # power
    frame(3.9, 3.0, 3.5, 3.6)     # controller
    frame(7.7, 4.5, 2.8, 2.1)     # sensor
    frame(7.7, 1.3, 2.8, 2.75)    # connectors
    frame(0.6, 1.3, 3.0, 2.75)    # the block diagram of the whole

    for (x, y, w, h), heading in zip([(0.6, 4.3, 3.0, 2.3), (3.9, 3.0, 3.5, 3.6), (7.7, 4.5, 2.8, 2.1),
                                      (7.7, 1.3, 2.8, 2.75), (0.6, 1.3, 3.0, 2.75)],
                                     ["POWER", "CONTROLLER", "SENSOR", "CONNECTORS", "BLOCK DIAGRAM"]):
        s.text((x + 0.1, y + h - 0.08), heading, height=0.08, align="middleRight", bold=True)
    REF = dict(height=0.065, color="90,0,0")
    VAL = dict(height=0.055, color="90,0,0")
    for p, ref, align in [((1.1, 5.53), "J1", "topCenter"), ((1.9, 4.95), "C1", "middleRight"),
                          ((2.55, 5.93), "U2", "topCenter"), ((3.4, 5.35), "C2", "middleRight"),
                          ((5.35, 5.03), "U1", "topRight"), ((5.5, 5.55), "C3", "middleRight"),
                          ((6.6, 5.55), "C4", "middleRight"), ((4.78, 4.7), "Y1", "middleRight"),
                          ((4.4, 4.9), "C5", "topCenter"), ((4.4, 4.5), "C6", "bottomCenter"),
                          ((7.0, 4.06), "R3", "topCenter"), ((7.1, 3.6), "D1", "middleLeft"),
                          ((8.6, 5.83), "U3", "topRight"), ((8.1, 5.2), "R1", "middleLeft"),
                          ((9.4, 4.76), "R2", "topCenter"), ((10.1, 5.3), "C7", "middleRight"),
                          ((9.85, 3.13), "J2", "topCenter"), ((9.85, 2.23), "J3", "topCenter")]:
        s.text(p, ref, align=align, **REF)
    for p, value, align in [((1.1, 5.17), "5-12V in", "bottomCenter"), ((1.9, 4.83), "10uF", "middleRight"),
                            ((2.55, 6.03), "QL1117-3.3", "topCenter"), ((3.4, 5.23), "10uF", "middleRight"),
                            ((6.6, 5.03), "QL-M0 32K", "topLeft"), ((5.5, 5.43), "100nF", "middleRight"),
                            ((6.6, 5.43), "100nF", "middleRight"), ((9.4, 5.83), "QTH-20", "topLeft"),
                            ((8.1, 5.08), "4.7k", "middleLeft"), ((9.4, 4.64), "4.7k", "bottomCenter"),
                            ((10.1, 5.18), "100nF", "middleRight"), ((9.85, 2.57), "UART", "bottomCenter"),
                            ((9.85, 1.57), "SWD", "bottomCenter")]:
        s.text(p, value, align=align, **VAL)

    # Block diagram: power feeds the controller and the sensor; the
    # controller talks to the sensor and to the two headers.
    BLOCK = dict(penWidth="0.014", penColor="0,0,139", brushColor="230,236,250")
    FLOW = dict(penWidth="0.02", penColor="0,0,139")
    s.rect(0.9, 2.95, 0.8, 0.55, BLOCK, roundness="0.3")    # power
    s.rect(0.9, 2.05, 0.8, 0.55, BLOCK, roundness="0.3")    # sensor
    s.rect(2.3, 2.0, 1.0, 1.5, BLOCK, roundness="0.2")      # controller
    s.rect(2.3, 1.4, 1.0, 0.3, BLOCK, roundness="0.3")      # headers
    s.line((1.7, 3.22), (2.3, 3.22), FLOW, endCap="arrowAnchor")
    s.line((1.3, 2.95), (1.3, 2.6), FLOW, endCap="arrowAnchor")
    s.line((1.7, 2.32), (2.3, 2.32), FLOW, startCap="arrowAnchor", endCap="arrowAnchor")
    s.line((2.8, 2.0), (2.8, 1.7), FLOW, startCap="arrowAnchor", endCap="arrowAnchor")
    for p, label in [((1.3, 3.225), "3.3 V supply"), ((1.3, 2.325), "T/RH sensor"), ((2.8, 2.75), "Controller"),
                     ((2.8, 1.55), "UART + SWD")]:
        s.text(p, label, height=0.07)
    s.text((2.0, 3.25), "3V3", height=0.05, align="topCenter")
    s.text((2.0, 2.35), "I2C", height=0.05, align="topCenter")
    s.text((1.34, 2.78), "3V3", height=0.05, align="middleRight")

    # Power: the input connector, the regulator and its capacitors.
    j1 = s.ic(0.9, 5.2, 0.4, right=["VIN", "GND"])
    u2 = s.ic(2.2, 5.7, 0.7, left=["IN"], right=["OUT"], bottom=["GND"])
    s.wire(j1["VIN"], (1.8, j1["VIN"][1]), (1.8, u2["IN"][1]), u2["IN"])
    c1 = s.capacitor((1.8, 4.9), polar=True)
    s.wire((1.8, j1["VIN"][1]), c1[1]); s.dot((1.8, j1["VIN"][1])); s.gnd(c1[2])
    s.wire(j1["GND"], (1.6, j1["GND"][1]), (1.6, 4.7)); s.gnd((1.6, 4.7))
    s.gnd(u2["GND"])
    c2 = s.capacitor((3.3, 5.3), polar=True)
    s.wire(u2["OUT"], (3.3, u2["OUT"][1]), c2[1]); s.dot((3.3, u2["OUT"][1])); s.gnd(c2[2])
    # The 3.3 V rail across to the controller.
    s.wire((3.3, 5.8), (5.4, 5.8))

    # Controller: power pins on top and bottom, crystal and programming pins on the left.
    u1 = s.ic(5.3, 3.8, 1.3, left=["XIN", "XOUT", "NRST", "SWDIO", "SWCLK"],
              right=["SDA", "SCL", "TX", "RX", "LED"], top=["VDD", "VDDA"], bottom=["VSS", "VSSA", "BOOT0"], pitch=0.2)
    c3 = s.capacitor((5.4, 5.5)); c4 = s.capacitor((6.5, 5.5))
    s.wire((5.4, 5.8), (6.5, 5.8), c4[1]); s.wire((5.4, 5.8), c3[1]); s.dot((5.4, 5.8))
    s.gnd(c3[2]); s.gnd(c4[2])
    for name in ("VDD", "VDDA"):
        s.wire(u1[name], (u1[name][0], 5.8)); s.dot((u1[name][0], 5.8))
    s.supply((6.5, 5.8))
    for name in ("VSS", "VSSA", "BOOT0"):
        s.gnd(u1[name])
    # The crystal between XIN and XOUT, with its load capacitors to ground.
    xin, xout = u1["XIN"], u1["XOUT"]
    s.wire(xin, (4.7, xin[1])); s.wire(xout, (4.7, xout[1]))
    s.rect(4.65, 4.665, 0.1, 0.07)
    s.line((4.62, 4.645), (4.78, 4.645), PIN); s.line((4.62, 4.755), (4.78, 4.755), PIN)
    s.line((4.7, 4.755), (4.7, xin[1]), PIN); s.line((4.7, 4.645), (4.7, xout[1]), PIN)
    c5 = s.capacitor((4.4, xin[1]), vertical=False); c6 = s.capacitor((4.4, xout[1]), vertical=False)
    s.wire(c5[2], (4.7, xin[1])); s.wire(c6[2], (4.7, xout[1]))
    s.dot((4.7, xin[1])); s.dot((4.7, xout[1]))
    s.wire(c5[1], (4.1, xin[1]), (4.1, 4.4)); s.wire(c6[1], (4.1, xout[1])); s.dot((4.1, xout[1])); s.gnd((4.1, 4.4))
    # Programming pins leave for the SWD header below.
    for name in ("NRST", "SWDIO", "SWCLK"):
        s.line(u1[name], (u1[name][0] - 0.3, u1[name][1]), WIRE, endCap="arrowAnchor")
    # Status LED.
    r3 = s.resistor((7.0, u1["LED"][1]), vertical=False)
    s.wire(u1["LED"], r3[1])
    d1 = s.diode((7.2, 3.6), direction="down", led=True)
    s.wire(r3[2], d1["A"]); s.gnd(d1["K"])

    # Sensor on I2C, each line pulled up.
    u3 = s.ic(8.6, 5.0, 0.8, bottom=["SDA", "SCL"], right=["VDD", "ADDR", "GND"], pitch=0.2)
    s.wire(u1["SDA"], u3["SDA"])
    s.wire(u1["SCL"], (u3["SCL"][0], u1["SCL"][1]), u3["SCL"])
    r1 = s.resistor((8.2, 5.2))
    s.wire((8.2, u1["SDA"][1]), r1[2]); s.dot((8.2, u1["SDA"][1])); s.supply(r1[1])
    r2 = s.resistor((9.4, 4.7), vertical=False)
    s.wire((u3["SCL"][0], 4.7), r2[1]); s.dot((u3["SCL"][0], 4.7))
    s.wire(r2[2], (9.6, 4.9)); s.supply((9.6, 4.9))
    c7 = s.capacitor((10.0, 5.3))
    s.wire(u3["VDD"], (10.0, u3["VDD"][1]), c7[1]); s.supply((9.8, u3["VDD"][1])); s.dot((9.8, u3["VDD"][1])); s.gnd(c7[2])
    s.wire(u3["ADDR"], (9.75, u3["ADDR"][1]), (9.75, 5.0)); s.wire(u3["GND"], (9.75, u3["GND"][1]))
    s.dot((9.75, u3["GND"][1])); s.gnd((9.75, 5.0))

    # Connectors: the UART header and the SWD header.
    j2 = s.ic(9.6, 2.6, 0.5, left=["3V3", "TX", "RX", "GND"])
    s.wire(u1["TX"], (8.6, u1["TX"][1]), (8.6, j2["TX"][1]), j2["TX"])
    s.wire(u1["RX"], (8.4, u1["RX"][1]), (8.4, j2["RX"][1]), j2["RX"])
    s.wire(j2["3V3"], (9.2, j2["3V3"][1]), (9.2, 3.3)); s.supply((9.2, 3.3))
    s.wire(j2["GND"], (9.2, j2["GND"][1]), (9.2, 2.5)); s.gnd((9.2, 2.5))
    j3 = s.ic(9.6, 1.6, 0.5, left=["3V3", "NRST", "SWDIO", "SWCLK", "GND"])
    for name in ("NRST", "SWDIO", "SWCLK"):
        s.line((j3[name][0] - 0.4, j3[name][1]), j3[name], WIRE, endCap="arrowAnchor")
    s.wire(j3["3V3"], (8.9, j3["3V3"][1]), (8.9, 2.3)); s.supply((8.9, 2.3))
    s.wire(j3["GND"], (8.9, j3["GND"][1]), (8.9, 1.55)); s.gnd((8.9, 1.55))


# ================================================================ Blinkwell
# A 555 astable flasher: two LEDs blink in turn from a 9 V battery.
def blinkwell():
    b = Board("Blinkwell", 1.9, 1.3, units="mm")
    b.outline_rect(0.06)
    b.add(header(Footprint("J1", 0.15, 0.65, 270, "HDR-1x2", "Connector", "Battery 9V", value_on="silk"), 2))
    b.value_on = "inside"
    b.add(dip(Footprint("U1", 0.75, 0.65, 0, "DIP-8", "Timer", "NE555P", manufacturer="Texas Instruments"), 8))
    b.add(axial(Footprint("R1", 0.75, 1.1, 0, "AXIAL-0.4", "Resistor", "1k")))
    b.add(axial(Footprint("R2", 1.2, 0.85, 90, "AXIAL-0.4", "Resistor", "47k")))
    b.add(radial(Footprint("C1", 1.2, 0.35, 270, "CAP-RAD-0.1", "Capacitor", "10uF 16V", value_on="silk")))
    b.add(radial(Footprint("C2", 0.75, 0.2, 0, "CAP-RAD-0.1", "Capacitor", "10nF", value_on="silk"), dia=0.2))
    b.add(axial(Footprint("R3", 1.55, 1.0, 90, "AXIAL-0.4", "Resistor", "470")))
    b.add(axial(Footprint("R4", 1.55, 0.35, 90, "AXIAL-0.4", "Resistor", "470")))
    # The LEDs' texts inside their outlines, beside the leads: the edge is near.
    b.add(led5(Footprint("D1", 1.75, 1.0, 90, "LED-5MM", "LED", "Red", ref_at=(0, -0.075), value_at=(0, 0.075))))
    b.add(led5(Footprint("D2", 1.75, 0.35, 90, "LED-5MM", "LED", "Green", ref_at=(0, -0.075), value_at=(0, 0.075))))
    b.add(hole(Footprint("H1", 0.15, 0.15, 0, "MTG-2.5", "Mounting hole"), 0.1))
    b.add(hole(Footprint("H2", 0.15, 1.15, 0, "MTG-2.5", "Mounting hole"), 0.1))
    b.net("VCC", 0.024)
    b.track("VCC", ["J1.1", (0.3, 0.85), (0.3, 1.1), "R1.1"])
    b.track("VCC", ["R1.1", (0.55, 1.0), (0.6, 0.95), (0.85, 0.95), (0.9, 0.9), "U1.8"])
    bot = b.bottom_index
    b.track("VCC", ["J1.1", (0.35, 0.5), "U1.4"], layer=bot)
    b.track("VCC", ["U1.4", (0.52, 0.42), (0.52, 0.12), (0.56, 0.08), (1.48, 0.08), "R4.1"], layer=bot)
    b.track("THR", ["U1.6", (1.15, 0.6), "R2.1", "C1.1"])
    b.track("THR", ["U1.2", (0.65, 0.65), (0.85, 0.65), "U1.6"], layer=bot)
    b.track("DIS", ["U1.7", (1.0, 0.7), (1.05, 0.75), (1.05, 1.0), (1.1, 1.05), "R2.2"])
    b.track("DIS", ["R1.2", (1.0, 1.05), (1.1, 1.05)])
    b.track("CTRL", ["U1.5", (0.9, 0.3), "C2.2"])
    b.track("OUT", ["U1.3", (0.65, 0.55), (1.4, 0.55), (1.55, 0.7), "R3.1"], layer=bot)
    b.track("OUT", [(1.4, 0.55), (1.4, 0.35), (1.45, 0.3), "D2.1"], layer=bot)
    b.track("LEDA", ["R3.2", (1.6, 1.2), "D1.2"])
    b.track("LEDB", ["R4.2", (1.6, 0.55), "D2.2"])
    b.connect("GND", "J1.2", "U1.1", "C1.2", "C2.1", "D1.1", "H1.1", "H2.1")
    for p in [(0.42, 0.3), (1.35, 1.2), (1.0, 0.25), (0.4, 0.95)]:
        b.via("GND", p)
    b.pour(bot, "GND", rect_outline(0.03, 0.03, 1.87, 1.27))

    s = Sheet(1, "Flasher", "Blinkwell LED flasher", units="mm")
    # Pins drawn DIS, THR, TRIG, RESET down the left, so that no wire crosses another.
    u = s.ic(4.5, 3.6, 1.2, left=["DIS", "THR", "TRIG", "RESET"], right=["VCC", "OUT", "CTRL", "GND"])
    r1 = s.resistor((3.4, 5.6)); r2 = s.resistor((3.4, 4.7))
    c1 = s.capacitor((3.4, 3.4), polar=True); c2 = s.capacitor((6.6, 3.2))
    s.wire(r1[2], r2[1]); s.dot((3.4, 5.2))
    s.wire(u["DIS"], (3.9, u["DIS"][1]), (3.9, 5.2), (3.4, 5.2))
    s.wire(r2[2], c1[1])
    s.wire(u["THR"], (3.4, u["THR"][1])); s.dot((3.4, u["THR"][1]))
    s.wire(u["TRIG"], (4.1, u["TRIG"][1]), (4.1, u["THR"][1])); s.dot((4.1, u["THR"][1]))
    s.wire(r1[1], (3.4, 6.2), (6.2, 6.2), (6.2, u["VCC"][1]), u["VCC"]); s.supply((4.8, 6.2)); s.dot((4.8, 6.2))
    # RESET held high: round under the timing capacitor to the supply.
    s.wire(u["RESET"], (4.2, u["RESET"][1]), (4.2, 3.0), (2.8, 3.0), (2.8, 6.2), (3.4, 6.2)); s.dot((3.4, 6.2))
    s.wire(u["CTRL"], (6.6, u["CTRL"][1]), c2[1]); s.gnd(c2[2]); s.gnd(c1[2])
    s.wire(u["GND"], (6.1, u["GND"][1]), (6.1, 3.3)); s.gnd((6.1, 3.3))
    d1 = s.diode((8.4, 3.3), led=True); r3 = s.resistor((8.4, 4.3))
    d2 = s.diode((7.6, 5.1), led=True); r4 = s.resistor((7.6, 6.0))
    s.wire(u["OUT"], (7.2, u["OUT"][1]), (7.2, 4.7), (7.6, 4.7), d2["K"])
    s.wire((7.6, 4.7), (8.4, 4.7), r3[1]); s.dot((7.6, 4.7))
    s.wire(r3[2], d1["A"]); s.gnd(d1["K"])
    s.wire(d2["A"], r4[2]); s.supply(r4[1])
    bt = s.ic(1.3, 4.4, 0.5, right=["+", "-"])
    s.wire(bt["+"], (2.2, bt["+"][1]), (2.2, 4.9)); s.supply((2.2, 4.9))
    s.wire(bt["-"], (2.2, bt["-"][1]), (2.2, 4.3)); s.gnd((2.2, 4.3))
    write(f"{OUT}/Blinkwell.project", "Blinkwell", "blinkwell", [s], b)


# ================================================================ Orrin
# A 4 x 4 keypad: switches with anti-ghosting diodes, rows on top, columns on the bottom.
def orrin():
    pitch = 0.75
    b = Board("Orrin", 3.7, 3.6, values="package", units="mm", colors={"top": "200,80,60"})
    b.outline_rect(0.08)
    bot = b.bottom_index
    b.add(header(Footprint("J1", 1.7, 0.2, 0, "HDR-1x8", "Connector", "Keypad 8-pin"), 8))
    row_y = [3.1 - r * pitch - 0.38 for r in range(4)]
    row_x = [3.15 + (3 - r) * 0.06 for r in range(4)]
    for r in range(4):
        for c in range(4):
            k = r * 4 + c + 1
            x, y = 0.55 + c * pitch, 3.1 - r * pitch
            b.add(tact(Footprint(f"SW{k}", x, y, 0, "TACT-6MM", "Switch", "B3F-1000", manufacturer="Omron")))
            b.add(chip(Footprint(f"D{k}", x, y - 0.27, 0, "SOD-123", "Diode", "1N4148W"), "1206", polar=True))
            # The switch's lower pins to the anode, the cathode down to the row.
            b.track(f"K{k}", [f"SW{k}.3", (x - 0.128, y - 0.202), f"D{k}.1"])
            b.track(f"ROW{r+1}", [f"D{k}.2", (x + 0.06, row_y[r])])
            # The upper pins out to the column on the bottom.
            b.track(f"COL{c+1}", [f"SW{k}.2", (x + 0.24, y + 0.089)], layer=bot)
        b.track(f"ROW{r+1}", [(0.61, row_y[r]), (row_x[r], row_y[r])])
        b.via(f"ROW{r+1}", (row_x[r], row_y[r]))
    # Rows down the right edge to pins 8-5, nested so that none crosses.
    for r in range(4):
        pin = f"J1.{8 - r}"
        px, py = b.P(pin)
        yh = 0.26 + r * 0.05
        b.track(f"ROW{r+1}", [(row_x[r], row_y[r]), (row_x[r], yh), (px, yh), pin])
    # Columns down on the bottom to pins 1-4.
    col_paths = {
        0: lambda x, px: [(x, 0.45), (px, 0.45)],
        1: lambda x, px: [(x, 0.5), (px, 0.41)],
        2: lambda x, px: [(x, 0.35), (px, 0.35)],
        3: lambda x, px: [(x, 0.30), (px, 0.30)],
    }
    for c in range(4):
        x = 0.55 + c * pitch + 0.24
        pin = f"J1.{c + 1}"
        px, py = b.P(pin)
        b.track(f"COL{c+1}", [(x, 3.1 + 0.089)] + col_paths[c](x, px) + [pin], layer=bot)
    for i, p in enumerate([(0.15, 0.15), (3.55, 0.15), (0.15, 3.45), (3.55, 3.45)]):
        b.add(hole(Footprint(f"H{i+1}", p[0], p[1], 0, "MTG-3.2", "Mounting hole")))
    s = Sheet(1, "Matrix", "Orrin 4x4 keypad", units="mm")
    for r in range(4):
        for c in range(4):
            x, y = 2.2 + c * 1.6, 6.6 - r * 1.3
            sw = s.switch((x, y))
            d = s.diode((x + 0.5, y - 0.35), direction="down")
            s.wire(sw[2], (x + 0.5, y), d["A"])
            s.wire(d["K"], (x + 0.5, y - 0.6))
            s.wire(sw[1], (x - 0.4, y))
            if r:
                s.dot((x - 0.4, y))
        s.wire((2.7, 6.6 - r * 1.3 - 0.6), (7.7, 6.6 - r * 1.3 - 0.6))
        for c in range(1, 4):
            s.dot((2.7 + c * 1.6, 6.6 - r * 1.3 - 0.6))
    j = s.ic(9.0, 2.8, 0.6, left=[f"C{i}" for i in range(1, 5)] + [f"R{i}" for i in range(1, 5)])
    for c in range(4):
        x = 2.2 + c * 1.6 - 0.4
        top = 7.3 + (3 - c) * 0.08
        xv = 8.4 + (3 - c) * 0.08
        pin = j[f"C{c+1}"]
        s.wire((x, 6.6 - 3 * 1.3), (x, top), (xv, top), (xv, pin[1]), pin)
    for r in range(4):
        y = 6.6 - r * 1.3 - 0.6
        xv = 8.3 - r * 0.1   # the top row outermost: no row crosses another
        pin = j[f"R{r+1}"]
        s.wire((7.7, y), (xv, y), (xv, pin[1]), pin)
    write(f"{OUT}/Orrin.project", "Orrin", "orrin", [s], b)


# ================================================================ Lumengrid
# An 8 x 8 matrix of 0805 LEDs: anodes on row traces on top, cathodes through
# vias to column traces on the bottom; rows to J2 at the right, columns to J1.
def lumengrid():
    n, pitch, x0, y0 = 8, 0.3, 0.45, 0.75
    b = Board("Lumengrid", 3.3, 3.3, values="package", units="mm", colors={"top": "210,150,40"}, mask="10,60,140")
    b.text_height = 0.035
    b.outline_rect(0.04)
    bot = b.bottom_index
    b.add(header(Footprint("J1", x0 + (n - 1) * pitch / 2, 0.18, 0, "HDR-1x8", "Connector", "Columns"), 8))
    b.add(header(Footprint("J2", 3.1, y0 + (n - 1) * pitch / 2, 270, "HDR-1x8", "Connector", "Rows"), 8))
    for r in range(n):
        y = y0 + (n - 1 - r) * pitch
        for c in range(n):
            x = x0 + c * pitch
            k = r * n + c + 1
            # The reference below the LED: the row trace runs above it.
            b.add(chip(Footprint(f"LED{k}", x, y, 0, "LED-0805", "LED", "Warm white 0805", ref_at=(0, -0.07)), "0805", polar=True))
            b.track(f"ROW{r+1}", [f"LED{k}.2", (x + 0.04, y + 0.09)])
            b.track(f"COL{c+1}", [f"LED{k}.1", (x - 0.13, y)])
            b.via(f"COL{c+1}", (x - 0.13, y), 0.03, 0.014)
        # Fan in to J2, outer rows bending furthest out.
        pin = f"J2.{r + 1}"
        px, py = b.P(pin)
        xr = x0 + (n - 1) * pitch + 0.2 + 0.045 * abs(r - 3.5)
        b.track(f"ROW{r+1}", [(x0 + 0.04, y + 0.09), (xr, y + 0.09), (xr, py), pin])
    for c in range(n):
        x = x0 + c * pitch - 0.13
        pin = f"J1.{c + 1}"
        px, py = b.P(pin)
        yc = y0 - 0.2 - 0.04 * abs(c - 3.5)
        b.track(f"COL{c+1}", [(x, y0 + (n - 1) * pitch), (x, yc), (px, yc), pin], layer=bot)
    for i, p in enumerate([(0.13, 0.13), (3.17, 0.13), (0.13, 3.17), (3.17, 3.17)]):
        b.add(hole(Footprint(f"H{i+1}", p[0], p[1], 0, "MTG-2.5", "Mounting hole"), 0.1))

    s = Sheet(1, "Matrix", "Lumengrid 8x8 LED matrix", units="mm")
    for r in range(n):
        y = 7.0 - r * 0.7
        s.wire((1.6, y), (8.2, y))
        for c in range(n):
            x = 2.0 + c * 0.8
            d = s.diode((x, y - 0.3), direction="down", led=True)
            s.dot((x, y))
            s.wire(d["K"], (x, y - 0.55), (x - 0.3, y - 0.55))
            s.dot((x - 0.3, y - 0.55)) if r < n - 1 else None
    for c in range(n):
        x = 2.0 + c * 0.8 - 0.3
        s.wire((x, 7.0 - 0.55), (x, 1.3))
    j = s.ic(8.9, 3.0, 0.6, left=[f"R{i}" for i in range(1, 9)])
    for r in range(n):
        y = 7.0 - r * 0.7
        # Rows above their pin turn down outermost first, rows below it turn
        # up outermost last: no row crosses another.
        xv = 8.2 + (5 - r) * 0.05 if y > j[f"R{r+1}"][1] else 8.5 + (r - 6) * 0.05
        s.wire((8.2, y), (xv, y), (xv, j[f"R{r+1}"][1]), j[f"R{r+1}"])
    s.rect(1.2, 1.1, 6.4, 0.2)
    write(f"{OUT}/Lumengrid.project", "Lumengrid", "lumengrid", [s], b)

# ================================================================ Sablewing
# A 2.4 GHz sensor tag: a meandered antenna over a keep-out, a QFN radio, a
# crystal, decoupling, castellated edge pads and a stitched ground pour.
def sablewing():
    b = Board("Sablewing", 1.2, 1.9, values="package", units="mm", colors={"top": "225,170,60"}, mask="20,20,20")
    b.text_height = 0.03
    b.outline_rect(0.03, castellated="true")
    bot = b.bottom_index
    U1 = b.add(qfn(Footprint("U1", 0.6, 0.75, 0, "QFN-32 5x5", "Radio", "SWL2401", manufacturer="Sablewing Labs"), 32, 0.0197, 0.2))
    b.add(chip(Footprint("Y1", 0.25, 0.75, 90, "XTAL-2016", "Crystal", "32 MHz"), "0805"))
    for i, (x, y, deg) in enumerate([(0.95, 0.95, 90), (0.95, 0.55, 90), (0.6, 1.02, 0), (0.7, 0.5, 0)]):
        b.add(chip(Footprint(f"C{i+1}", x, y, deg, "0402", "Capacitor", "100nF"), "0402"))
    b.add(chip(Footprint("L1", 0.85, 1.25, 90, "0402", "Inductor", "2.2nH"), "0402"))
    b.add(chip(Footprint("C5", 0.85, 1.4, 90, "0402", "Capacitor", "1.5pF"), "0402"))
    # Castellated pads along the bottom edge.
    for i in range(7):
        fp = Footprint(f"P{i+1}", 0.15 + i * 0.15, 0.0, 0, "CASTELLATED", "Edge pad", ["GND", "VDD", "SDA", "GND", "SCL", "NC", "GND"][i], label=False)
        fp.pad(1, (0, 0.02), size=(0.06, 0.09), hole=0.035, smt=False, roundness=0.5)
        b.add(fp)
    b.net("RF", 0.014)
    b.track("RF", ["U1.25", (0.669, 0.95), (0.85, 1.131), "L1.1"])
    b.track("RF", ["L1.2", "C5.1"])
    # The antenna: a meander from the matching network across the keep-out.
    ant = ["C5.2", (0.85, 1.55)]
    y = 1.55
    for k in range(4):
        x2 = 0.15 if k % 2 == 0 else 0.85
        ant.append((x2, y))
        if k < 3:
            ant.append((x2, y + 0.08))
        y += 0.08
    b.track("RF", ant)
    b.track("VDD", ["U1.29", (0.5902, 0.95), "C3.1"])
    b.route("VDD", "U1.14", "C4.1", first="v")
    b.route("VDD", "U1.23", "C1.1", first="h")
    b.track("VDD", ["U1.18", (0.93, 0.701), (0.95, 0.68), "C2.2"])
    b.track("VDD", ["P2.1", (0.3, 0.42), (0.68, 0.42)], layer=bot)
    b.via("VDD", (0.68, 0.42), 0.025, 0.012)
    b.track("VDD", [(0.68, 0.42), "C4.1"])
    b.track("SDA", ["P3.1", (0.45, 0.35), (0.551, 0.451), "U1.10"])
    b.track("SCL", ["P5.1", (0.75, 0.35), (0.85, 0.45), (0.85, 0.6), (0.769, 0.681), "U1.17"])
    # Into the fine-pitch pads straight, turning well clear of them.
    b.track("XC1", ["Y1.1", (0.3, 0.71), (0.31045, 0.72045), "U1.6"])
    b.track("XC2", ["Y1.2", (0.3, 0.79), (0.31045, 0.77955), "U1.3"])
    b.connect("GND", "P1.1", "P4.1", "P7.1", "U1.33", "C1.2", "C2.1", "C3.2", "C4.2")
    b.via("GND", (0.57, 0.72), 0.025, 0.012)
    b.via("GND", (0.63, 0.78), 0.025, 0.012)
    for i in range(12):
        x = 0.05 + i * 0.1
        if abs(x - 0.85) > 0.08:
            b.via("GND", (x, 1.45), 0.025, 0.012)
    for i in range(11):
        y = 0.3 + i * 0.1
        b.via("GND", (0.05, y), 0.025, 0.012)
        b.via("GND", (1.15, y), 0.025, 0.012)
    keepout = rect_outline(0.0, 1.47, 1.2, 1.9)
    b.pour(5, "GND", rect_outline(0.02, 0.1, 1.18, 1.47), keepouts=[keepout])
    b.pour(bot, "GND", rect_outline(0.02, 0.1, 1.18, 1.47), keepouts=[keepout])

    s = Sheet(1, "Radio", "Sablewing 2.4 GHz tag", units="mm")
    # The crystal pins first, so that the crystal sits above the supply wire.
    u = s.ic(4.5, 3.0, 1.6, left=["XC1", "XC2", "VDD", "DEC", "SDA", "SCL", "RESET", "GND"], right=["ANT", "VDD_PA", "GPIO1", "GPIO2"])
    y1 = s.crystal((3.7, 4.3))
    s.wire(u["XC1"], (4.0, u["XC1"][1]), (4.0, 4.3), y1[2])
    s.wire(u["XC2"], (3.5, u["XC2"][1]), y1[1])
    l1 = s.resistor((6.9, u["ANT"][1]), vertical=False); c5 = s.capacitor((7.6, u["ANT"][1] - 0.3))
    s.wire(u["ANT"], l1[1]); s.wire(l1[2], (7.6, u["ANT"][1]), c5[1]); s.gnd(c5[2]); s.dot((7.6, u["ANT"][1]))
    s.wire((7.6, u["ANT"][1]), (8.4, u["ANT"][1]), (8.4, 5.2))
    for k in range(3):
        s.line((8.4 - 0.15 * (k + 1), 5.2 + 0.1 * k), (8.4 + 0.15 * (k + 1), 5.2 + 0.1 * k), dict(penWidth="0.012", penColor="140,0,0"))
    s.wire(u["VDD"], (3.0, u["VDD"][1]), (3.0, 5.6)); s.supply((3.0, 5.6))
    c1 = s.capacitor((2.6, 4.7)); s.wire((3.0, 4.9), c1[1]); s.dot((3.0, 4.9)); s.gnd(c1[2])
    s.wire(u["GND"], (4.1, u["GND"][1]), (4.1, 2.7)); s.gnd((4.1, 2.7))
    p = s.ic(1.2, 2.6, 0.5, right=["SDA", "SCL"])
    s.wire(p["SDA"], (2.0, p["SDA"][1]), (2.0, u["SDA"][1]), u["SDA"]); s.wire(p["SCL"], (2.2, p["SCL"][1]), (2.2, u["SCL"][1]), u["SCL"])
    write(f"{OUT}/Sablewing.project", "Sablewing", "sablewing", [s], b)


# ================================================================ Kestrel
# A 4-layer H-bridge for a brushed motor: four TO-220 MOSFETs, a gate driver,
# bulk capacitors, a ground plane and a motor-supply plane inside.
def kestrel():
    b = Board("Kestrel", 3.0, 2.2, inner=[("Inner 1 GND", "90,170,90"), ("Inner 2 VM", "170,90,170")], units="mm",
              colors={"top": "215,125,45", "bottom": "70,120,210"}, mask="60,20,110")
    b.outline_rect(0.04)
    bot = b.bottom_index
    def power_terminal(ref, x, y, deg, value):
        # Level texts above and below: beside the terminal is the board's edge.
        fp = Footprint(ref, x, y, deg, "TERM-2x5.08", "Terminal block", value, upright=True)
        fp.pad(1, (-0.1, 0), size=(0.16, 0.16), hole=0.07, smt=False)
        fp.pad(2, (0.1, 0), diameter=0.16, hole=0.07, smt=False)
        return b.add(fp.outline(-0.2, -0.15, 0.4, 0.3))
    power_terminal("J1", 0.2, 1.0, 90, "Supply 24V")
    power_terminal("J2", 2.8, 1.1, 270, "Motor")
    b.add(to220(Footprint("Q1", 1.2, 1.85, 180, "TO-220", "MOSFET", "IRLB8721")))
    b.add(to220(Footprint("Q2", 2.0, 1.85, 0, "TO-220", "MOSFET", "IRLB8721")))
    b.add(to220(Footprint("Q3", 1.2, 0.35, 180, "TO-220", "MOSFET", "IRLB8721")))
    b.add(to220(Footprint("Q4", 2.0, 0.35, 0, "TO-220", "MOSFET", "IRLB8721")))
    b.add(radial(Footprint("C1", 0.65, 1.6, 0, "CAP-RAD-0.2", "Capacitor", "470uF 35V"), pitch=0.2, dia=0.4, pad=0.08, hole=0.04))
    b.add(radial(Footprint("C2", 0.65, 0.6, 0, "CAP-RAD-0.2", "Capacitor", "470uF 35V"), pitch=0.2, dia=0.4, pad=0.08, hole=0.04))
    b.add(soic(Footprint("U1", 1.6, 1.1, 0, "SOIC-16", "Gate driver", "KD2104", manufacturer="Kestrel Drives"), 16))
    for ref, x, y in [("R1", 1.3, 1.6), ("R2", 1.9, 1.6), ("R3", 1.3, 0.6), ("R4", 1.9, 0.6)]:
        b.add(chip(Footprint(ref, x, y, 90, "0805", "Resistor", "10R"), "0805"))
    b.add(header(Footprint("J3", 2.5, 0.2, 0, "HDR-1x4", "Connector", "Logic"), 4))
    for i, p in enumerate([(0.15, 0.15), (2.85, 0.15), (0.15, 2.05), (2.85, 2.05)]):
        b.add(hole(Footprint(f"H{i+1}", p[0], p[1], 0, "MTG-3.2", "Mounting hole")))
    b.net("OUTA", 0.06); b.net("OUTB", 0.06)
    b.track("OUTA", ["Q1.3", (1.1, 0.55), (1.2, 0.45), "Q3.2"])
    for y in (1.25, 1.35):
        b.via("OUTA", (1.1, y), 0.05, 0.025)
    b.track("OUTA", [(1.1, 1.3), (2.7, 1.3), "J2.1"], layer=bot)
    b.track("OUTB", ["Q2.3", (2.1, 0.55), (2.0, 0.45), "Q4.2"])
    b.track("OUTB", [(2.1, 1.0), "J2.2"])
    b.route("HOA", "U1.1", "R1.1", first="v"); b.track("HOA", ["R1.2", "Q1.1"])
    b.route("LOA", "U1.8", "R3.2", first="v"); b.track("LOA", ["R3.1", "Q3.1"])
    b.route("HOB", "U1.16", "R2.1", first="v"); b.track("HOB", ["R2.2", "Q2.1"])
    b.route("LOB", "U1.9", "R4.2", first="v"); b.track("LOB", ["R4.1", "Q4.1"])
    b.track("INA", ["J3.1", (2.35, 0.8), (2.175, 0.975), (1.95, 0.975)], layer=bot)
    b.via("INA", (1.95, 0.975), 0.03, 0.014); b.track("INA", [(1.95, 0.975), "U1.10"])
    b.track("INB", ["J3.2", (2.45, 0.8), (2.225, 1.025), (1.85, 1.025)], layer=bot)
    b.via("INB", (1.85, 1.025), 0.03, 0.014); b.track("INB", [(1.85, 1.025), "U1.11"])
    b.track("VCC", ["J3.4", (2.65, 1.1), (2.6, 1.15), (1.85, 1.15)], layer=bot)
    b.via("VCC", (1.85, 1.15), 0.03, 0.014); b.track("VCC", [(1.85, 1.15), (1.825, 1.175), "U1.14"])
    b.connect("GND", "J1.2", "Q3.3", "Q4.3", "C1.2", "C2.2", "J3.3", "H1.1", "H2.1", "H3.1", "H4.1")
    b.connect("VM", "J1.1", "Q1.2", "Q2.2", "C1.1", "C2.1")
    b.track("GND", ["U1.4", (1.4, 1.125)]); b.via("GND", (1.4, 1.125), 0.03, 0.014)
    # Thermal vias beside the low-side sources.
    for x in (1.2, 2.0):
        for k in range(3):
            b.via("GND", (x - 0.1 + k * 0.1, 0.1), 0.04, 0.02)
    inner = rect_outline(0.03, 0.03, 2.97, 2.17)
    b.pour(6, "GND", inner, clearance=0.02)
    b.pour(7, "VM", inner, clearance=0.02)

    s = Sheet(1, "Bridge", "Kestrel H-bridge motor driver", units="mm")
    # The B side's FETs face outwards: their gate wires run round the bridge
    # above and below the rails instead of across it.
    u = s.ic(2.2, 3.2, 1.3, left=["INA", "INB", "EN", "VCC", "GND"], right=["HOB", "HOA", "LOA", "LOB", "VS"])
    def fet(x, y, gate_right=False):
        s.rect(x - 0.15, y - 0.25, 0.3, 0.5)
        g = (x + 0.35, y) if gate_right else (x - 0.35, y)
        s.line(g, (x + 0.15 if gate_right else x - 0.15, y), PIN)
        s.line((x, y + 0.25), (x, y + 0.45), PIN)
        s.line((x, y - 0.25), (x, y - 0.45), PIN)
        return {"G": g, "D": (x, y + 0.45), "S": (x, y - 0.45)}
    q1, q3 = fet(5.6, 5.6), fet(5.6, 3.4)
    q2, q4 = fet(8.2, 5.6, gate_right=True), fet(8.2, 3.4, gate_right=True)
    s.wire(q1["S"], q3["D"]); s.wire(q2["S"], q4["D"])
    s.wire(q1["D"], (5.6, 6.5), (8.2, 6.5), q2["D"]); s.supply((6.9, 6.5)); s.dot((6.9, 6.5))
    s.wire(q3["S"], (5.6, 2.5), (8.2, 2.5), q4["S"]); s.gnd((6.9, 2.5)); s.dot((6.9, 2.5))
    m = (6.9, 4.5)
    s.rect(m[0] - 0.25, m[1] - 0.25, 0.5, 0.5, roundness="1")
    s.wire((5.6, 4.5), (6.65, 4.5)); s.wire((7.15, 4.5), (8.2, 4.5)); s.dot((5.6, 4.5)); s.dot((8.2, 4.5))
    s.wire(u["HOA"], (4.6, u["HOA"][1]), (4.6, 5.6), q1["G"]); s.wire(u["LOA"], (4.8, u["LOA"][1]), (4.8, 3.4), q3["G"])
    s.wire(u["HOB"], (4.0, u["HOB"][1]), (4.0, 6.9), (8.8, 6.9), (8.8, 5.6), q2["G"])
    s.wire(u["LOB"], (4.2, u["LOB"][1]), (4.2, 2.1), (9.0, 2.1), (9.0, 3.4), q4["G"])
    s.wire(u["GND"], (1.8, u["GND"][1]), (1.8, 3.0)); s.gnd((1.8, 3.0))
    s.wire(u["VCC"], (1.6, u["VCC"][1]), (1.6, 4.6)); s.supply((1.6, 4.6))
    # The bulk capacitor across the supply, by its own symbols.
    cb = s.capacitor((9.6, 4.5), polar=True); s.supply(cb[1]); s.gnd(cb[2])
    write(f"{OUT}/Kestrel.project", "Kestrel", "kestrel", [s], b)

# ================================================================ Tidemark
# A capacitive soil-moisture probe: a forked board whose two tines carry the
# sensing and ground electrodes, with a 555-style oscillator in the head.
def tidemark():
    b = Board("Tidemark", 1.0, 3.4, values="package", units="mm", colors={"top": "220,150,60"}, mask="10,10,10")
    b.text_height = 0.03
    outline = [(0.175, 0.0), (0.35, 0.15), (0.35, 2.5), (0.65, 2.5), (0.65, 0.15), (0.825, 0.0), (1.0, 0.15),
               (1.0, 3.4), (0.0, 3.4), (0.0, 0.15)]
    b.outline_points(outline)
    bot = b.bottom_index
    b.add(soic(Footprint("U1", 0.5, 2.9, 0, "SOIC-8", "Timer", "TLC555", manufacturer="Texas Instruments"), 8))
    b.add(header(Footprint("J1", 0.5, 3.28, 0, "HDR-1x3", "Connector", "VCC GND AOUT"), 3))
    b.add(chip(Footprint("R1", 0.82, 3.02, 90, "0603", "Resistor", "10k"), "0603"))
    b.add(chip(Footprint("C1", 0.15, 3.2, 90, "0603", "Capacitor", "100nF"), "0603"))
    b.track("VCC", ["J1.1", (0.4, 3.12), (0.66, 3.12), (0.7, 3.08), (0.7, 2.975), "U1.8"])
    b.track("VCC", ["U1.4", (0.3, 2.825), (0.3, 3.05), (0.37, 3.12), (0.4, 3.12)])
    b.track("VCC", ["R1.2", (0.82, 3.12), (0.66, 3.12)])
    b.track("VCC", [(0.3, 3.05), (0.15, 3.05), "C1.1"])
    b.track("DIS", ["U1.7", (0.75, 2.925), (0.814, 2.989), "R1.1"])
    b.track("GND", ["U1.1", (0.375, 3.0)])
    b.via("GND", (0.375, 3.0), 0.025, 0.012)
    b.track("GND", ["C1.2", (0.15, 3.28)]); b.via("GND", (0.15, 3.28), 0.025, 0.012)
    b.track("TRIG", ["U1.2", (0.475, 2.925), (0.525, 2.875), "U1.6"])
    b.track("TRIG", ["U1.6", (0.72, 2.875), (0.82, 2.775), (0.82, 2.44)])
    b.track("AOUT", ["U1.3", (0.45, 2.875), (0.5, 2.825), (0.5, 2.75)])
    b.via("AOUT", (0.5, 2.75), 0.025, 0.012)
    b.track("AOUT", [(0.5, 2.75), (0.9, 2.75), (0.9, 3.2), (0.82, 3.28), "J1.3"], layer=bot)
    b.connect("GND", "J1.2")
    # The electrodes: sensing on the right tine, ground on the left.
    b.pour(5, "TRIG", [(0.7, 0.25), (0.95, 0.25), (0.95, 2.45), (0.7, 2.45)], clearance=0.01)
    b.pour(5, "GND", [(0.05, 0.25), (0.3, 0.25), (0.3, 2.45), (0.05, 2.45)], clearance=0.01)
    from shapely.geometry import Polygon
    inset = Polygon(outline).buffer(-0.03, join_style=2)
    b.pour(bot, "GND", list(inset.exterior.coords)[:-1])

    s = Sheet(1, "Probe", "Tidemark soil moisture probe", units="mm")
    # RESET first down the left: it rises straight to the supply, clear of the timing wires.
    u = s.ic(4.4, 3.8, 1.2, left=["RESET", "DIS", "THR", "TRIG"], right=["VCC", "OUT", "CTRL", "GND"])
    r1 = s.resistor((3.4, 5.3))
    s.wire(u["DIS"], (3.4, u["DIS"][1]), r1[2])
    s.wire(u["THR"], (3.9, u["THR"][1]), (3.9, 3.2), (3.0, 3.2))
    s.wire(u["TRIG"], (3.9, u["TRIG"][1])); s.dot((3.9, u["TRIG"][1]))
    probe = s.capacitor((2.6, 3.2), vertical=False)
    s.wire(probe[2], (3.0, 3.2)); s.wire(probe[1], (2.2, 3.2), (2.2, 2.8)); s.gnd((2.2, 2.8))
    s.wire(r1[1], (3.4, 6.0), (6.0, 6.0), (6.0, u["VCC"][1]), u["VCC"]); s.supply((4.6, 6.0)); s.dot((4.6, 6.0))
    s.wire(u["RESET"], (4.05, u["RESET"][1]), (4.05, 6.0)); s.dot((4.05, 6.0))
    s.wire(u["GND"], (5.9, u["GND"][1]), (5.9, 3.7)); s.gnd((5.9, 3.7))
    c1 = s.capacitor((6.8, 5.4)); s.wire(c1[1], (6.8, 6.0), (6.0, 6.0)); s.gnd(c1[2])
    s.wire(u["OUT"], (7.6, u["OUT"][1])); s.ic(7.8, u["OUT"][1] - 0.1, 0.5, left=["AOUT"])
    write(f"{OUT}/Tidemark.project", "Tidemark", "tidemark", [s], b)


# ================================================================ Harrowby
# A thumbnail-sized USB-C single-cell charger: charger IC, programming and
# status parts, a JST battery socket and ground poured on both sides.
def harrowby():
    b = Board("Harrowby", 0.9, 0.7, values="package", units="mm", colors={"top": "230,160,70"}, mask="20,20,120")
    b.text_height = 0.025
    b.outline_rect(0.05)
    bot = b.bottom_index
    J1 = Footprint("J1", 0.15, 0.35, 0, "USB-C-6P", "Connector", "USB-C power receptacle")
    for i, name in enumerate(["GND", "VBUS", "CC1", "CC2", "VBUS2", "GND2"]):
        J1.pad(name, (0.1, -0.15 + i * 0.06), size=(0.05, 0.03))
    J1.pad("S1", (-0.06, -0.24), size=(0.05, 0.1), hole=0.025, smt=False, roundness=1)
    J1.pad("S2", (-0.06, 0.24), size=(0.05, 0.1), hole=0.025, smt=False, roundness=1)
    b.add(J1.outline(-0.13, -0.18, 0.2, 0.36))
    # Drawn with pins 1-3 down the left side (so that the notch marks pin 1)
    # and turned a quarter: pins 1-3 along the bottom.
    U1 = Footprint("U1", 0.55, 0.35, 90, "SOT-23-5", "Charger", "MCP73831")
    for name, p in [(1, (-0.045, 0.0375)), (2, (-0.045, 0)), (3, (-0.045, -0.0375)), (4, (0.045, -0.0375)), (5, (0.045, 0.0375))]:
        U1.pad(name, p, size=(0.04, 0.024))
    b.add(U1.outline(-0.018, -0.06, 0.036, 0.12, penWidth="0.005"))
    J2 = Footprint("J2", 0.78, 0.35, 0, "JST-PH-2", "Connector", "LiPo cell")
    J2.pad(1, (0, 0.04), size=(0.1, 0.04)); J2.pad(2, (0, -0.04), size=(0.1, 0.04))
    J2.pad("M1", (-0.1, 0.13), size=(0.06, 0.07)); J2.pad("M2", (-0.1, -0.13), size=(0.06, 0.07))
    b.add(J2.outline(-0.14, -0.17, 0.2, 0.34))
    b.add(chip(Footprint("C1", 0.42, 0.58, 0, "0603", "Capacitor", "4.7uF"), "0603"))
    b.add(chip(Footprint("C2", 0.66, 0.6, 90, "0603", "Capacitor", "4.7uF"), "0603"))
    b.add(chip(Footprint("R1", 0.45, 0.14, 90, "0402", "Resistor", "2k"), "0402"))
    b.add(chip(Footprint("R2", 0.64, 0.12, 0, "0402", "Resistor", "470"), "0402"))
    b.add(chip(Footprint("D1", 0.56, 0.2, 0, "0603", "LED", "Red 0603"), "0603", polar=True))
    b.add(chip(Footprint("R3", 0.34, 0.29, 0, "0402", "Resistor", "5.1k"), "0402"))
    b.add(chip(Footprint("R4", 0.34, 0.41, 0, "0402", "Resistor", "5.1k"), "0402"))
    b.net("VBUS", 0.016); b.net("VBAT", 0.016)
    b.track("VBUS", ["J1.VBUS2", (0.3, 0.47), (0.36, 0.53), (0.36, 0.58), "C1.1"])
    b.track("VBUS", [(0.36, 0.53), (0.5875, 0.53), "U1.4"])
    b.track("VBUS", ["J1.VBUS", (0.29, 0.23)])
    b.via("VBUS", (0.29, 0.23), 0.025, 0.012); b.via("VBUS", (0.3, 0.47), 0.025, 0.012)
    b.track("VBUS", [(0.29, 0.23), (0.23, 0.29), (0.23, 0.41), (0.3, 0.47)], layer=bot)
    b.track("VBUS", [(0.29, 0.23), (0.29, 0.12), (0.33, 0.08), (0.68, 0.08)], layer=bot)
    b.via("VBUS", (0.68, 0.08), 0.025, 0.012)
    b.track("VBUS", ["R2.2", (0.68, 0.1), (0.68, 0.08)])
    b.track("CC1", ["J1.CC1", "R3.1"])
    b.track("CC2", ["J1.CC2", "R4.1"])
    b.track("PROG", ["U1.5", (0.4875, 0.395), (0.45, 0.357), "R1.2"])
    b.track("STAT", ["U1.1", (0.5125, 0.25), "D1.1"])
    b.track("LED", ["D1.2", (0.62, 0.17), "R2.1"])
    b.track("VBAT", ["U1.3", (0.64, 0.305), (0.725, 0.39), "J2.1"])
    b.track("VBAT", ["J2.1", (0.735, 0.39), (0.735, 0.61), (0.714, 0.631), "C2.2"])
    b.connect("GND", "J1.GND", "J1.GND2", "J1.S1", "J1.S2", "U1.2", "C1.2", "C2.1", "R1.1", "R3.2", "R4.2", "J2.2", "J2.M1", "J2.M2")
    for p in [(0.5, 0.45), (0.78, 0.6), (0.8, 0.12), (0.3, 0.62), (0.5, 0.62), (0.4, 0.35)]:
        b.via("GND", p, 0.025, 0.012)
    area = rect_outline(0.02, 0.02, 0.88, 0.68)
    b.pour(5, "GND", area, clearance=0.008)
    b.pour(bot, "GND", area, clearance=0.008)

    s = Sheet(1, "Charger", "Harrowby USB-C LiPo charger", units="mm")
    # STAT above VBAT: the LED's wire rises clear of the battery wire.
    u = s.ic(4.6, 3.8, 1.0, left=["VDD", "PROG", "VSS"], right=["STAT", "VBAT"])
    usb = s.ic(1.4, 3.6, 0.6, right=["VBUS", "CC1", "CC2", "GND"])
    s.wire(usb["VBUS"], (3.4, usb["VBUS"][1]), (3.4, u["VDD"][1]), u["VDD"]); s.dot((3.4, u["VDD"][1]))
    c1 = s.capacitor((3.4, 3.6)); s.wire((3.4, u["VDD"][1]), c1[1]); s.gnd(c1[2])
    r3 = s.resistor((2.6, 3.4)); r4 = s.resistor((3.0, 3.2))
    s.wire(usb["CC1"], (2.6, usb["CC1"][1]), r3[1]); s.wire(usb["CC2"], (3.0, usb["CC2"][1]), r4[1]); s.gnd(r3[2]); s.gnd(r4[2])
    s.wire(usb["GND"], (2.2, usb["GND"][1]), (2.2, 3.2)); s.gnd((2.2, 3.2))
    r1 = s.resistor((4.1, 3.2)); s.wire(u["PROG"], (4.1, u["PROG"][1]), r1[1]); s.gnd(r1[2])
    s.wire(u["VSS"], (4.3, u["VSS"][1]), (4.3, 3.5))
    s.gnd((4.3, 3.5))
    d1 = s.diode((6.2, 5.0), direction="down", led=True); r2 = s.resistor((6.2, 5.7))
    s.wire(u["STAT"], (6.2, u["STAT"][1]), d1["K"]); s.wire(d1["A"], r2[2]); s.wire(r2[1], (6.2, 6.2), (7.2, 6.2), (7.2, u["VBAT"][1]))
    s.wire(u["VBAT"], (7.6, u["VBAT"][1])); s.dot((7.2, u["VBAT"][1]))
    c2 = s.capacitor((7.6, 3.6)); s.wire((7.6, u["VBAT"][1]), c2[1]); s.gnd(c2[2]); s.dot((7.6, u["VBAT"][1]))
    bat = s.ic(8.4, 3.8, 0.5, left=["+", "-"])
    s.wire((7.6, u["VBAT"][1]), bat["+"])
    s.wire(bat["-"], (8.0, bat["-"][1]), (8.0, 3.5)); s.gnd((8.0, 3.5))
    write(f"{OUT}/Harrowby.project", "Harrowby", "harrowby", [s], b)


# ================================================================ Vireo
# A single-sided kit: an adjustable LM317 bench supply with a bridge
# rectifier, bulk and output capacitors, a set resistor and a trimmer.
def vireo():
    b = Board("Vireo", 2.8, 1.6, single_sided=True, units="inch", colors={"bottom": "230,150,70"}, mask="40,40,140")
    # A paper-phenolic board, thin enough to see the copper side through.
    b.outline_rect(0.0, fill="110,150,110,40")
    bot = b.bottom_index
    def terminal(ref, x, y, deg, value):
        fp = Footprint(ref, x, y, deg, "TERM-2x5.08", "Terminal block", value)
        fp.pad(1, (-0.1, 0), size=(0.12, 0.12), hole=0.055, smt=False)
        fp.pad(2, (0.1, 0), diameter=0.12, hole=0.055, smt=False)
        return b.add(fp.outline(-0.2, -0.15, 0.4, 0.3))
    terminal("J1", 0.2, 0.8, 270, "AC 15V in")
    terminal("J2", 2.45, 0.8, 270, "DC out")
    br = Footprint("BR1", 0.7, 0.8, 0, "KBP", "Bridge rectifier", "KBP206")
    for i, name in enumerate(["+", "~1", "~2", "-"]):
        br.pad(name, (0, 0.3 - i * 0.2), size=(0.08, 0.08), hole=0.045, smt=False) if i == 0 else br.pad(name, (0, 0.3 - i * 0.2), diameter=0.08, hole=0.045, smt=False)
    b.add(br.outline(-0.08, -0.4, 0.16, 0.8))
    b.add(radial(Footprint("C1", 1.15, 1.15, 270, "CAP-RAD-0.2", "Capacitor", "2200uF 35V"), pitch=0.2, dia=0.5, pad=0.08, hole=0.04))
    b.add(to220(Footprint("U1", 1.6, 0.8, 90, "TO-220", "Regulator", "LM317T")))
    b.add(axial(Footprint("R1", 1.9, 0.85, 90, "AXIAL-0.4", "Resistor", "240", value_on="inside")))
    b.add(radial(Footprint("C2", 2.2, 1.2, 0, "CAP-RAD-0.1", "Capacitor", "100uF 25V"), dia=0.25))
    rv = Footprint("RV1", 2.05, 0.45, 0, "TRIM-3296", "Trimmer", "5k")
    for i in range(3):
        rv.pad(i + 1, ((i - 1) * 0.1, 0), diameter=0.065, hole=0.035, smt=False)
    b.add(rv.outline(-0.19, -0.09, 0.38, 0.18))
    for i, p in enumerate([(0.15, 0.15), (2.65, 0.15), (0.15, 1.45), (2.65, 1.45)]):
        b.add(hole(Footprint(f"H{i+1}", p[0], p[1], 0, "MTG-3.2", "Mounting hole")))
    for name in ("AC1", "AC2", "VIN", "GND", "VOUT"):
        b.net(name, 0.05)
    b.net("ADJ", 0.03)
    b.track("AC1", ["J1.1", "BR1.~1"], layer=bot)
    b.track("AC2", ["J1.2", "BR1.~2"], layer=bot)
    b.track("VIN", ["BR1.+", (0.85, 1.25), "C1.1", (1.45, 1.25), (1.6, 1.1), "U1.3"], layer=bot)
    b.track("GND", ["BR1.-", (0.7, 0.3), (2.45, 0.3)], layer=bot)
    b.track("GND", ["C1.2", (1.15, 0.3)], layer=bot)
    b.track("GND", ["RV1.3", (2.15, 0.3)], layer=bot)
    b.track("GND", ["J2.2", (2.45, 0.3)], layer=bot)
    b.track("GND", ["C2.2", (2.6, 1.2), (2.65, 1.15), (2.65, 0.75), (2.6, 0.7), "J2.2"], layer=bot)
    b.track("VOUT", ["U1.2", (1.75, 0.8), (1.9, 0.95), "R1.2"], layer=bot)
    b.track("VOUT", ["R1.2", (2.05, 1.2), "C2.1", (2.15, 1.1), (2.35, 0.9), "J2.1"], layer=bot)
    b.track("ADJ", ["U1.1", (1.85, 0.7), "R1.1", (1.9, 0.5), "RV1.1"], layer=bot)
    b.track("ADJ", ["RV1.1", "RV1.2"], layer=bot)

    s = Sheet(1, "Supply", "Vireo adjustable bench supply", units="inch")
    t = s.ic(1.0, 4.0, 0.5, right=["AC1", "AC2"])   # level with the bridge's AC pins
    bd = s.ic(2.4, 4.0, 0.8, left=["~1", "~2"], right=["+", "-"])
    s.wire(t["AC1"], bd["~1"]); s.wire(t["AC2"], bd["~2"])
    u = s.ic(5.0, 4.6, 1.0, left=["IN"], right=["OUT"], bottom=["ADJ"])
    s.wire(bd["+"], (4.2, bd["+"][1]), (4.2, u["IN"][1]), u["IN"])
    c1 = s.capacitor((4.2, 3.7), polar=True); s.wire((4.2, bd["+"][1]), c1[1]); s.dot((4.2, bd["+"][1]))
    s.wire(bd["-"], (3.6, bd["-"][1]), (3.6, 3.2), (8.0, 3.2)); s.wire(c1[2], (4.2, 3.2)); s.dot((4.2, 3.2))
    r1 = s.resistor((7.0, 4.3)); rv = s.resistor((7.0, 3.55), length=0.3)
    s.wire(u["OUT"], (7.0, u["OUT"][1]), r1[1]); s.wire(r1[2], rv[1]); s.wire(u["ADJ"], (5.5, 4.05), (7.0, 4.05)); s.dot((7.0, 4.05))
    s.wire(rv[2], (7.0, 3.2)); s.dot((7.0, 3.2))
    c2 = s.capacitor((7.8, 4.2), polar=True); s.wire((7.0, u["OUT"][1]), (7.8, u["OUT"][1]), c2[1]); s.dot((7.0, u["OUT"][1]))
    s.wire(c2[2], (7.8, 3.2))
    out = s.ic(8.8, 4.5, 0.5, left=["+", "-"])      # "+" level with the regulator's output
    s.wire((7.8, u["OUT"][1]), out["+"]); s.dot((7.8, u["OUT"][1]))
    s.wire(out["-"], (8.4, out["-"][1]), (8.4, 3.2), (7.8, 3.2)); s.dot((7.8, 3.2)); s.gnd((5.6, 3.2)); s.dot((5.6, 3.2))
    write(f"{OUT}/Vireo.project", "Vireo", "vireo", [s], b)

# ================================================================ Marlowe
# A stereo line preamp on four layers: a dual op-amp per channel, input and
# output jacks, a dual gain pot, and the +/-15 V rails as a split inner plane.
def marlowe():
    b = Board("Marlowe", 3.2, 2.0, inner=[("Inner 1 GND", "100,180,100"), ("Inner 2 Rails", "180,100,100")],
              units="mm", colors={"top": "210,140,50"}, mask="90,20,20")
    b.outline_rect(0.06)
    bot = b.bottom_index
    def jack(ref, x, y, value):
        fp = Footprint(ref, x, y, 0, "JACK-3.5-STEREO", "Jack", value)
        for name, p in [("T", (0.1, 0.1)), ("R", (0.1, -0.1)), ("S", (-0.15, 0))]:
            fp.pad(name, p, size=(0.1, 0.07), hole=0.04, smt=False, roundness=1)
        return b.add(fp.outline(-0.25, -0.2, 0.45, 0.4))
    jack("J1", 0.3, 1.0, "Line in")
    jack("J2", 2.9, 1.0, "Line out")
    b.add(soic(Footprint("U1", 1.2, 1.45, 0, "SOIC-8", "Op-amp", "NE5532"), 8))
    b.add(soic(Footprint("U2", 1.2, 0.55, 0, "SOIC-8", "Op-amp", "NE5532"), 8))
    pot = Footprint("RV1", 2.1, 1.0, 0, "POT-ALPS-RK09-DUAL", "Potentiometer", "10k log dual", value_on="inside")
    for i in range(3):
        pot.pad(f"A{i+1}", ((i - 1) * 0.2, 0.35), diameter=0.08, hole=0.045, smt=False)
        pot.pad(f"B{i+1}", ((i - 1) * 0.2, -0.35), diameter=0.08, hole=0.045, smt=False)
    b.add(pot.outline(-0.3, -0.25, 0.6, 0.5))
    for i, (x, y) in enumerate([(0.7, 1.3), (0.7, 0.7)]):
        b.add(chip(Footprint(f"C{i+1}", x, y, 0, "1206", "Capacitor", "2.2uF film"), "1206"))
    for i, (x, y) in enumerate([(1.6, 1.6), (1.6, 1.3), (1.6, 0.7), (1.6, 0.4)]):
        b.add(chip(Footprint(f"R{i+1}", x, y, 0, "0805", "Resistor", ["10k", "47k", "10k", "47k"][i]), "0805"))
    for i, (x, y) in enumerate([(1.2, 1.8), (1.2, 0.2)]):
        b.add(chip(Footprint(f"C{i+3}", x, y, 0, "0805", "Capacitor", "100nF"), "0805"))
    b.add(header(Footprint("J3", 2.1, 1.85, 0, "HDR-1x3", "Connector", "+15 GND -15"), 3))
    b.add(header(Footprint("J4", 2.1, 0.15, 0, "HDR-1x3", "Connector", "Spare"), 3))
    b.track("INL", ["J1.T", (0.55, 1.1), (0.6, 1.15), (0.6, 1.3), "C1.1"])
    b.track("INR", ["J1.R", (0.55, 0.9), (0.6, 0.85), (0.6, 0.7), "C2.1"])
    b.track("L1", ["C1.2", (0.9, 1.3), (0.95, 1.35), "U1.3"])
    b.track("INR2", ["C2.2", (0.93, 0.7), (0.93, 0.525), "U2.3"])
    # Out of the op-amps' pads straight, then turning clear of the next pad.
    b.track("OUTBL", ["U1.7", (1.39, 1.475), (1.45, 1.535), (1.45, 1.6), "R1.1"])
    b.track("NINL", ["U1.6", (1.39, 1.425), (1.45, 1.365), (1.45, 1.3), "R2.1"])
    b.track("OUTBR", ["U2.7", (1.39, 0.575), (1.45, 0.635), (1.45, 0.7), "R3.1"])
    b.track("NINR", ["U2.6", (1.39, 0.525), (1.45, 0.465), (1.45, 0.4), "R4.1"])
    b.track("OUTL", ["R1.2", (1.85, 1.6), (1.9, 1.55), "RV1.A1"])
    b.track("OUTR", ["R3.2", (1.85, 0.7), (1.9, 0.65), "RV1.B1"])
    b.track("WL", ["RV1.A2", (2.1, 1.55), (2.6, 1.55), (3.0, 1.15), "J2.T"])
    b.track("WR", ["RV1.B2", (2.1, 0.45), (2.6, 0.45), (3.0, 0.85), "J2.R"])
    b.connect("GND", "J1.S", "J2.S", "RV1.A3", "RV1.B3", "J3.2", "R2.2", "R4.2", "U1.4", "U2.4")
    b.connect("V+", "U1.8", "U2.8", "J3.1", "C3.1", "C4.1")
    b.connect("V-", "J3.3")
    for p in [(1.05, 1.0), (1.35, 1.0), (0.3, 0.3), (0.3, 1.7), (2.9, 0.3), (2.9, 1.7)]:
        b.via("GND", p, 0.035, 0.016)
    b.pour(6, "GND", rect_outline(0.04, 0.04, 3.16, 1.96), clearance=0.02)
    # The rails: +15 V over the top half of the inner plane, -15 V below.
    b.pour(7, "V+", rect_outline(0.04, 1.02, 3.16, 1.96), clearance=0.02, kind="splitPowerPlane")
    b.pour(7, "V-", rect_outline(0.04, 0.04, 3.16, 0.98), clearance=0.02, kind="splitPowerPlane")
    b.pour(bot, "GND", rect_outline(0.04, 0.04, 3.16, 1.96), clearance=0.015)

    s = Sheet(1, "Left", "Marlowe preamp - left channel", units="mm")
    s2 = Sheet(2, "Right", "Marlowe preamp - right channel", units="mm")
    for sh in (s, s2):
        # -IN on top: its feedback rises and its ground leg goes off to the
        # left above the input, so that no wire crosses another.
        u = sh.ic(4.2, 4.0, 0.9, left=["-IN", "+IN"], right=["OUT"], top=["V+"], bottom=["V-"])
        cin = sh.capacitor((2.8, u["+IN"][1]), vertical=False)
        sh.wire(cin[2], u["+IN"]); sh.wire(cin[1], (1.6, u["+IN"][1]))
        jk = sh.ic(0.9, u["+IN"][1] - 0.1, 0.5, right=["TIP"])
        rb = sh.resistor((3.3, 3.4)); sh.wire((3.3, u["+IN"][1]), rb[1]); sh.dot((3.3, u["+IN"][1])); sh.gnd(rb[2])
        rf = sh.resistor((5.0, 5.2), vertical=False)
        rg = sh.resistor((3.4, 4.6), vertical=False)
        sh.wire(u["-IN"], (3.8, u["-IN"][1]), (3.8, 5.2), rf[1])
        sh.wire(rg[2], (3.8, 4.6)); sh.dot((3.8, 4.6)); sh.gnd(rg[1])
        sh.wire(rf[2], (6.0, 5.2), (6.0, u["OUT"][1]), u["OUT"]); sh.dot((6.0, u["OUT"][1]))
        pot = sh.resistor((7.0, 4.0))
        sh.wire((6.0, u["OUT"][1]), (7.0, u["OUT"][1]), pot[1]); sh.gnd(pot[2])
        sh.line((7.4, 4.0), (7.06, 4.0), PIN, endCap="arrowAnchor")
        sh.wire((7.4, 4.0), (8.4, 4.0))
        sh.ic(8.6, 3.9, 0.5, left=["TIP"])
        sh.supply(u["V+"]); sh.supply(u["V-"], down=True)
        # The rail's decoupling capacitor by its own symbols.
        c = sh.capacitor((5.6, 5.9)); sh.supply(c[1]); sh.gnd(c[2])
    write(f"{OUT}/Marlowe.project", "Marlowe", "marlowe", [s, s2], b)


# ================================================================ Fenwick
# A controller board part-way through layout: three schematic sheets drawn,
# the parts placed on the board, the supply already poured, no signals routed.
def fenwick():
    b = Board("Fenwick", 3.5, 2.5, values="package", units="mm", colors={"top": "205,130,50"}, mask="20,90,40",
              settings=dict(showGrid="true", gridSpacing="0.05", showOrigin="true", showPadNames="true"))
    b.outline_rect(0.1)
    bot = b.bottom_index
    b.add(qfn(Footprint("U1", 1.75, 1.3, 45, "QFN-48 7x7", "Microcontroller", "FW-M4-48", manufacturer="Fenwick Micro"), 48, 0.0197, 0.28))
    b.add(sot23(Footprint("U2", 0.6, 2.05, 90, "SOT-23", "Regulator", "3.3V LDO")))
    b.add(chip(Footprint("Y1", 2.35, 1.3, 90, "XTAL-3225", "Crystal", "12 MHz"), "1206"))
    for i in range(6):
        a = i * math.pi / 3
        b.add(chip(Footprint(f"C{i+1}", 1.75 + 0.42 * math.cos(a), 1.3 + 0.42 * math.sin(a), 0, "0402", "Capacitor", "100nF"), "0402"))
    b.add(chip(Footprint("C7", 0.35, 2.05, 90, "0805", "Capacitor", "10uF"), "0805"))
    b.add(chip(Footprint("C8", 0.85, 2.05, 90, "0805", "Capacitor", "10uF"), "0805"))
    b.add(header(Footprint("J1", 0.3, 1.1, 90, "HDR-2x5-1.27", "Connector", "SWD"), 5, pitch=0.05, rows=2, pad=0.035, hole=0.02))
    b.add(header(Footprint("J2", 1.75, 0.2, 0, "HDR-1x10", "Connector", "GPIO"), 10))
    b.add(header(Footprint("J3", 3.3, 1.25, 90, "HDR-1x6", "Connector", "UART / I2C"), 6))
    # At the top edge: the reference goes beside the receptacle.
    usb = Footprint("J4", 1.75, 2.35, 180, "USB-MICRO-B", "Connector", "Micro USB", ref_at=(-0.24, 0))
    for i in range(5):
        usb.pad(i + 1, ((i - 2) * 0.0256, 0.06), size=(0.016, 0.055))
    for side in (-1, 1):
        usb.pad(f"M{side}", (side * 0.12, 0.0), size=(0.07, 0.06), hole=0.03, smt=False, roundness=0.4)
    b.add(usb.outline(-0.175, -0.1, 0.35, 0.2))
    for i in range(3):
        b.add(led5(Footprint(f"D{i+1}", 2.7 + i * 0.0, 2.1 - i * 0.3, 0, "LED-3MM", "LED", ["Red", "Amber", "Green"][i])))
        b.add(chip(Footprint(f"R{i+1}", 2.4, 2.1 - i * 0.3, 0, "0603", "Resistor", "1k"), "0603"))
    for i, p in enumerate([(0.15, 0.15), (3.35, 0.15), (0.15, 2.35), (3.35, 2.35)]):
        b.add(hole(Footprint(f"H{i+1}", p[0], p[1], 0, "MTG-2.5", "Mounting hole"), 0.1))
    b.connect("GND", "H1.1", "H2.1", "H3.1", "H4.1", "J4.M-1", "J4.M1", "J2.10", "J3.6", "C7.2", "C8.2")
    b.net("VBUS", 0.02)
    # Straight out of the fine-pitch pad before turning.
    b.track("VBUS", ["J4.1", (1.8012, 2.2), (0.75, 2.2), "U2.3"])
    b.pour(bot, "GND", rect_outline(0.04, 0.04, 3.46, 2.46), clearance=0.015)

    power = Sheet(1, "Power", "Fenwick controller - power", units="mm")
    j = power.ic(1.0, 4.6, 0.6, right=["VBUS", "D-", "D+", "ID", "GND"])
    u = power.ic(4.0, 4.8, 1.0, left=["IN"], right=["OUT"], bottom=["GND"])
    power.wire(j["VBUS"], (3.8, j["VBUS"][1]), (3.8, u["IN"][1]), u["IN"])
    c7 = power.capacitor((3.0, 4.4)); power.wire((3.0, j["VBUS"][1]), c7[1]); power.dot((3.0, j["VBUS"][1])); power.gnd(c7[2])
    power.gnd(u["GND"])
    c8 = power.capacitor((6.0, 4.5)); power.wire(u["OUT"], (6.0, u["OUT"][1]), c8[1]); power.gnd(c8[2])
    power.wire((6.0, u["OUT"][1]), (7.0, u["OUT"][1])); power.dot((6.0, u["OUT"][1])); power.supply((7.0, u["OUT"][1]))
    power.wire(j["GND"], (2.0, j["GND"][1]), (2.0, 3.9)); power.gnd((2.0, 3.9))
    power.wire(j["D-"], (2.4, j["D-"][1])); power.wire(j["D+"], (2.4, j["D+"][1]))
    for k in range(3):
        d = power.diode((7.8 + k * 0.6, 5.0), led=True); r = power.resistor((7.8 + k * 0.6, 5.8))
        power.wire(d["A"], r[2]); power.gnd(d["K"]); power.wire(r[1], (7.8 + k * 0.6, 6.3))

    ctrl = Sheet(2, "Controller", "Fenwick controller - MCU", units="mm")
    m = ctrl.ic(4.0, 2.4, 2.2, left=[f"PA{i}" for i in range(12)] + ["NRST", "BOOT0", "VDD", "VDDA", "VSS", "VSSA"],
                right=[f"PB{i}" for i in range(12)] + ["OSC_IN", "OSC_OUT", "SWDIO", "SWCLK", "USB_DM", "USB_DP"])
    # The supplies rise to the left, each with its capacitor on the side away
    # from the other; the crystal and the SWD wires nest on the right.
    for x, name, cx in ((3.2, "VDD", 3.5), (2.9, "VDDA", 2.6)):
        ctrl.wire(m[name], (x, m[name][1]), (x, 5.6)); ctrl.supply((x, 5.6))
        c = ctrl.capacitor((cx, 5.0)); ctrl.wire((x, 5.2), c[1]); ctrl.dot((x, 5.2)); ctrl.gnd(c[2])
    ctrl.wire(m["VSS"], (3.5, m["VSS"][1]), (3.5, 2.2)); ctrl.gnd((3.5, 2.2))
    ctrl.wire(m["VSSA"], (3.5, m["VSSA"][1])); ctrl.dot((3.5, m["VSSA"][1]))
    xt = ctrl.crystal((7.15, 3.4))
    ctrl.wire(m["OSC_IN"], (6.95, m["OSC_IN"][1]), xt[1])
    ctrl.wire(m["OSC_OUT"], (7.35, m["OSC_OUT"][1]), xt[2])
    swd = ctrl.ic(8.2, 2.2, 0.6, left=["SWDIO", "SWCLK", "NRST", "GND"])
    ctrl.wire(m["SWDIO"], (7.8, m["SWDIO"][1]), (7.8, swd["SWDIO"][1]), swd["SWDIO"])
    ctrl.wire(m["SWCLK"], (7.6, m["SWCLK"][1]), (7.6, swd["SWCLK"][1]), swd["SWCLK"])
    ctrl.wire(swd["GND"], (7.9, swd["GND"][1]), (7.9, 2.0)); ctrl.gnd((7.9, 2.0))

    io = Sheet(3, "Interfaces", "Fenwick controller - connectors", units="mm")
    gpio = io.ic(6.0, 3.2, 0.6, left=[f"P{i}" for i in range(1, 11)])
    for i in range(9):
        io.wire(gpio[f"P{i+1}"], (4.6, gpio[f"P{i+1}"][1]))
    io.wire(gpio["P10"], (5.4, gpio["P10"][1]), (5.4, 3.0)); io.gnd((5.4, 3.0))
    # The supply and the pulled-up lines on top, so that nothing crosses.
    uart = io.ic(2.0, 3.6, 0.6, right=["3V3", "SDA", "SCL", "TX", "RX", "GND"])
    for x, name in ((3.4, "SDA"), (3.8, "SCL")):
        r = io.resistor((x, 4.7))
        io.wire(uart[name], (x, uart[name][1]), r[2])
        io.wire(r[1], (x, 5.5)); io.supply((x, 5.5))
    io.wire(uart["TX"], (4.2, uart["TX"][1])); io.wire(uart["RX"], (4.2, uart["RX"][1]))
    io.wire(uart["3V3"], (2.9, uart["3V3"][1]), (2.9, 5.7)); io.supply((2.9, 5.7))
    io.wire(uart["GND"], (3.0, uart["GND"][1]), (3.0, 3.3)); io.gnd((3.0, 3.3))
    write(f"{OUT}/Fenwick.project", "Fenwick", "fenwick", [power, ctrl, io], b)

if __name__ == "__main__":
    import os
    os.makedirs(OUT, exist_ok=True)
    for name in sys.argv[2:] or ["quorlan", "blinkwell", "orrin", "lumengrid", "sablewing", "kestrel", "tidemark", "harrowby", "vireo", "marlowe", "fenwick"]:
        globals()[name]()
