import sys, math
sys.path.insert(0, __import__("os").path.dirname(__file__))
from design import *
from schematic import *

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

    b = Board("Quorlan", 2.2, 1.4, units="mm", origin=(OX, OY), values="package", parametric=True,
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
    """Four framed blocks (power, controller, sensor, connectors) drawn out
    in full, and a block diagram of the whole. The 3.3 V rail and the I2C
    lines run between neighbouring blocks; the programming and serial lines
    reach the headers through connectors of the same name."""
    FRAME = dict(penWidth="0.014", penColor="0,0,139", linePattern="dash", brushColor="0,255,255,255")
    BAND = dict(penWidth="0", penColor="0,0,0,0", brushColor="215,225,240")
    for (x, y, w, h), heading in zip([(0.6, 4.3, 3.0, 2.3), (3.9, 2.5, 3.5, 4.1), (7.7, 4.25, 2.8, 2.35),
                                      (7.7, 1.3, 2.8, 2.75), (0.6, 1.3, 3.0, 2.75)],
                                     ["POWER", "CONTROLLER", "SENSOR", "CONNECTORS", "BLOCK DIAGRAM"]):
        s.rect(x, y + h - 0.16, w, 0.16, BAND)   # a heading band across the top
        s.rect(x, y, w, h, FRAME)
        s.text((x + 0.1, y + h - 0.08), heading, height=0.08, align="middleRight", bold=True)

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
    j1 = s.ic("J1", 0.9, 5.2, 0.4, right=["VIN", "GND"], pads={"VIN": 1, "GND": 2}, value="5-12V in",
              part_type="Connector")
    u2 = s.ic("U2", 2.2, 5.6, 0.7, left=["IN"], right=["OUT", "TAB"], bottom=["GND"],
              pads={"IN": 3, "OUT": 2, "TAB": 4, "GND": 1}, value="QL1117-3.3", part_type="Regulator")
    s.wire(j1["VIN"], (1.8, 5.4), (1.8, 5.8), u2["IN"])
    c1 = s.capacitor("C1", (1.8, 4.95), "10uF", pads=(2, 1))
    s.wire((1.8, 5.4), c1[1]); s.gnd(c1[2])
    s.wire(j1["GND"], (1.6, 5.3), (1.6, 4.75)); s.gnd((1.6, 4.75))
    s.gnd(u2["GND"])
    # The 3.3 V rail from the regulator across to the controller.
    c4 = s.capacitor("C4", (6.8, 5.45), "100nF")
    s.wire(u2["OUT"], (6.8, 5.8), c4[1]); s.gnd(c4[2])
    s.wire(u2["TAB"], (3.2, 5.7), (3.2, 5.8))
    c2 = s.capacitor("C2", (3.3, 5.35), "10uF")
    s.wire((3.3, 5.8), c2[1]); s.gnd(c2[2])

    # Controller: supplies on top and bottom, crystal and programming pins on
    # the left, the buses and the LED on the right.
    u1 = s.ic("U1", 5.3, 3.6, 1.3, left=["XIN", "", "XOUT", "\u02c6RST\u02c7", "SWDIO", "SWCLK"],
              right=["SDA", "SCL", "TX", "RX", "LED"], top=["VDD", "VDDA"], bottom=["VSS", "VSSA", "BOOT0"],
              pitch=0.2, value="QL-M0 32K", part_type="Microcontroller",
              pads={"XIN": 3, "XOUT": 4, "\u02c6RST\u02c7": 8, "SWDIO": 9, "SWCLK": 10, "SDA": 21, "SCL": 20,
                    "TX": 15, "RX": 16, "LED": 17, "VDD": 1, "VDDA": 13, "VSS": 2, "VSSA": 14, "BOOT0": 7})
    for name in ("VDD", "VDDA"):
        s.wire(u1[name], (u1[name][0], 5.8))
    c3 = s.capacitor("C3", (4.95, 5.45), "100nF", pads=(2, 1))
    s.wire((4.95, 5.8), c3[1]); s.gnd(c3[2])
    for name in ("VSS", "VSSA", "BOOT0"):
        s.gnd(u1[name])
    # The crystal between XIN and XOUT, its load capacitors to ground.
    y1 = s.crystal("Y1", (4.7, 4.6), "8 MHz", vertical=True, pads=(2, 1))
    s.wire(u1["XIN"], y1[1]); s.wire(u1["XOUT"], y1[2])
    c5 = s.capacitor("C5", (4.35, 4.8), "12pF", vertical=False, ref_at=(0, 0.27), value_at=(0, 0.16))
    c6 = s.capacitor("C6", (4.35, 4.4), "12pF", vertical=False, text_side="below")
    s.wire(c5[2], y1[1]); s.wire(c6[2], y1[2])
    s.wire(c5[1], (4.05, 4.8), (4.05, 4.2)); s.wire(c6[1], (4.05, 4.4)); s.gnd((4.05, 4.2))
    # Programming pins leave for the SWD header.
    for name, net in (("\u02c6RST\u02c7", "NRST"), ("SWDIO", "SWDIO"), ("SWCLK", "SWCLK")):
        p = u1[name]
        s.wire(p, (p[0] - 0.2, p[1])); s.flag((p[0] - 0.2, p[1]), net, "left")
    for name in ("TX", "RX"):
        p = u1[name]
        s.wire(p, (p[0] + 0.1, p[1])); s.flag((p[0] + 0.1, p[1]), name, "right")
    # Status LED.
    r3 = s.resistor("R3", (7.0, 3.7), "1k", pads=(1, 2))
    s.wire(u1["LED"], (7.0, u1["LED"][1]), r3[1])
    d1 = s.diode("D1", (7.0, 3.1), "Green", led=True, pads=(2, 1), text_side="left")
    s.wire(r3[2], d1["A"]); s.gnd(d1["K"])

    # Sensor on I2C, each line pulled up; the clock's pull-up stands past
    # the point where the data line turns up into the sensor.
    u3 = s.ic("U3", 8.6, 5.3, 0.8, bottom=["SDA", "SCL"], right=["VDD", "ADDR", "GND"], pitch=0.2,
              pads={"SDA": 1, "SCL": 2, "ADDR": 3, "GND": 4, "VDD": 8}, value="QTH-20", part_type="Sensor")
    s.wire(u1["SDA"], (u3["SDA"][0], u1["SDA"][1]), u3["SDA"])
    s.wire(u1["SCL"], (9.5, u1["SCL"][1]), (9.5, 4.75))
    s.wire((u3["SCL"][0], u1["SCL"][1]), u3["SCL"])
    r1 = s.resistor("R1", (8.2, 5.2), "4.7k", pads=(2, 1), text_side="left")
    s.wire((8.2, u1["SDA"][1]), r1[2]); s.supply(r1[1], "3V3")
    r2 = s.resistor("R2", (9.5, 4.95), "4.7k", pads=(1, 2))
    s.supply(r2[1], "3V3")
    c7 = s.capacitor("C7", (10.05, 5.55), "100nF")
    s.wire(u3["VDD"], (10.05, u3["VDD"][1]), c7[1]); s.gnd(c7[2])
    s.supply((9.85, u3["VDD"][1]), "3V3")
    s.wire(u3["ADDR"], (9.8, u3["ADDR"][1]), (9.8, 5.3)); s.wire(u3["GND"], (9.8, u3["GND"][1]))
    s.gnd((9.8, 5.3))

    # Connectors: the UART header and the SWD header.
    j2 = s.ic("J2", 9.6, 2.7, 0.5, left=["3V3", "TX", "RX", "GND"], pitch=0.2,
              pads={"GND": 1, "TX": 2, "RX": 3, "3V3": 4}, value="UART", part_type="Connector",
              value_at=(0.5, 1.06), value_align="topLeft")
    j3 = s.ic("J3", 9.6, 1.5, 0.5, left=["3V3", "NRST", "SWDIO", "SWCLK", "GND"], pitch=0.15,
              pads={"3V3": 1, "NRST": 2, "SWDIO": 3, "SWCLK": 4, "GND": 5}, value="SWD", part_type="Connector",
              value_at=(0.5, 0.96), value_align="topLeft")
    for j, names in ((j2, ("TX", "RX")), (j3, ("NRST", "SWDIO", "SWCLK"))):
        for name in names:
            p = j[name]
            s.wire(p, (p[0] - 0.3, p[1])); s.flag((p[0] - 0.3, p[1]), name, "left")
        s.wire(j["3V3"], (9.2, j["3V3"][1])); s.supply((9.2, j["3V3"][1]), "3V3")
        s.wire(j["GND"], (9.2, j["GND"][1])); s.gnd((9.2, j["GND"][1]))


# ================================================================ Blinkwell
# A 555 astable flasher: two LEDs blink in turn from a 9 V battery.
def blinkwell():
    b = Board("Blinkwell", 1.9, 1.3, units="mm", parametric=True)
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
    # The timer with its timing chain on the left, the two LEDs in a column
    # on the right: one lights while the output is high, the other while low.
    u = s.ic("U1", 4.5, 3.4, 1.2, left=["DIS", "THR", "\u02c6TRIG\u02c7"], right=["OUT", "CTRL"],
             top=["VCC", "\u02c6RESET\u02c7"], bottom=["GND"], pitch=0.2, value="NE555P", part_type="Timer",
             pads={"DIS": 7, "THR": 6, "\u02c6TRIG\u02c7": 2, "OUT": 3, "CTRL": 5, "VCC": 8,
                   "\u02c6RESET\u02c7": 4, "GND": 1})
    r1 = s.resistor("R1", (3.4, 5.2), "1k", pads=(1, 2))
    r2 = s.resistor("R2", (3.4, 4.5), "47k", pads=(2, 1))
    c1 = s.capacitor("C1", (3.4, 3.4), "10uF 16V", polar=True, pads=(1, 2))
    # The supply rail over the top; RESET is held high on it.
    s.wire(r1[1], (3.4, 5.6), (5.2, 5.6), u["\u02c6RESET\u02c7"])
    s.wire(u["VCC"], (5.0, 5.6)); s.supply((4.3, 5.6), "VCC")
    s.wire(r1[2], r2[1])
    s.wire(u["DIS"], (3.9, 4.0), (3.9, 4.85), (3.4, 4.85))
    s.wire(r2[2], c1[1])
    s.wire(u["THR"], (3.4, 3.8))
    s.wire(u["\u02c6TRIG\u02c7"], (4.1, 3.6), (4.1, 3.8))
    s.gnd(c1[2]); s.gnd(u["GND"])
    c2 = s.capacitor("C2", (6.3, 3.4), "10nF", pads=(2, 1))
    s.wire(u["CTRL"], (6.3, 3.8), c2[1]); s.gnd(c2[2])
    # The output drives D1 to ground and sinks D2 from the supply.
    s.wire(u["OUT"], (7.2, 4.0))
    r3 = s.resistor("R3", (7.2, 3.6), "470", pads=(1, 2))
    d1 = s.diode("D1", (7.2, 3.0), "Red", led=True, pads=(2, 1))
    d2 = s.diode("D2", (7.2, 4.4), "Green", led=True, pads=(2, 1))
    r4 = s.resistor("R4", (7.2, 5.0), "470", pads=(1, 2))
    s.wire(d2["K"], r3[1]); s.wire(r3[2], d1["A"]); s.gnd(d1["K"])
    s.wire(r4[2], d2["A"]); s.supply(r4[1], "VCC")
    # The battery.
    bt = s.ic("J1", 1.3, 4.4, 0.5, right=["+", "-"], pitch=0.2, pads={"+": 1, "-": 2}, value="Battery 9V",
              part_type="Connector")
    s.wire(bt["+"], (2.2, bt["+"][1])); s.supply((2.2, bt["+"][1]), "VCC")
    s.wire(bt["-"], (2.4, bt["-"][1]), (2.4, 4.4)); s.gnd((2.4, 4.4))
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
    # A matrix: every column crosses every row, joined only through a key
    # and its diode. The columns gather into a bus along the top, the rows
    # into one down the right; both run to the header.
    s.allow_crossings = True
    for r in range(4):
        for c in range(4):
            k = r * 4 + c + 1
            x, y = 2.2 + c * 1.6, 6.6 - r * 1.3
            sw = s.switch(f"SW{k}", (x, y), "B3F-1000", pads=(2, 3))
            # Cathode at the key, anode on the row.
            d = s.diode(f"D{k}", (x + 0.5, y - 0.35), "1N4148W", direction="up", pads=(2, 1))
            s.wire(sw[2], (x + 0.5, y), d["K"])
            s.wire(d["A"], (x + 0.5, y - 0.6))
            s.wire(sw[1], (x - 0.4, y))
        y = 6.6 - r * 1.3 - 0.6
        s.wire((2.7, y), (8.3, y), (8.4, y - 0.1))
        s.label((8.2, y), f"ROW{r + 1}", at=(8.22, y + 0.02), align="topLeft")
    for c in range(4):
        x = 2.2 + c * 1.6 - 0.4
        s.wire((x, 6.6 - 3 * 1.3), (x, 7.0), (x + 0.1, 7.1))
        s.label((x, 6.95), f"COL{c + 1}", at=(x - 0.03, 6.93), align="topLeft")
    s.bus("COL[1..4]", [(1.9, 7.1), (8.8, 7.1), (8.8, 4.1)], (7.6, 7.14), "topRight")
    s.bus("ROW[1..4]", [(8.4, 6.0), (8.4, 1.9), (8.8, 1.9), (8.8, 3.9)], (8.6, 1.85), "bottomCenter")
    names = [f"COL{i}" for i in range(1, 5)] + [""] + [f"ROW{i}" for i in range(1, 5)]
    pads = {f"COL{i}": i for i in range(1, 5)}
    pads.update({f"ROW{i}": 9 - i for i in range(1, 5)})
    j = s.ic("J1", 9.4, 3.0, 0.7, left=names, pitch=0.2, pads=pads, value="Keypad 8-pin", part_type="Connector")
    for i in range(1, 5):
        p = j[f"COL{i}"]
        s.wire(p, (8.9, p[1]), (8.8, p[1] - 0.1))
        p = j[f"ROW{i}"]
        s.wire(p, (8.9, p[1]), (8.8, p[1] + 0.1))
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
    # Anodes on the row lines, cathodes to the column lines; the rows
    # gather into a bus to J2 on the right, the columns into one along the
    # bottom round to J1 on the left.
    s.allow_crossings = True
    ys = [7.2 - 0.6 * r for r in range(n)]
    xs = [2.4 + 0.7 * c for c in range(n)]
    for r, y in enumerate(ys):
        for c, x in enumerate(xs):
            k = r * n + c + 1
            d = s.diode(f"LED{k}", (x, y - 0.3), "Warm white 0805", led=True, pads=(2, 1),
                        ref_height=0.05, value_hidden=True)
            s.wire(d["A"], (x, y))
            s.wire(d["K"], (x + 0.3, y - 0.5))
        s.wire((xs[0], y), (8.0, y), (8.1, y - 0.1))
        s.label((7.9, y), f"ROW{r + 1}", at=(7.97, y + 0.02), align="topLeft")
    for c, x in enumerate(xs):
        s.wire((x + 0.3, ys[0] - 0.5), (x + 0.3, 2.3), (x + 0.4, 2.2))
        s.label((x + 0.3, 2.35), f"COL{c + 1}", at=(x + 0.27, 2.33), align="topLeft")
    j1 = s.ic("J1", 0.6, 3.0, 0.5, right=[f"COL{i}" for i in range(1, 9)], pitch=0.2,
              pads={f"COL{i}": i for i in range(1, 9)}, value="Columns", part_type="Connector")
    j2 = s.ic("J2", 8.9, 4.3, 0.6, left=[f"ROW{i}" for i in range(1, 9)], pitch=0.2,
              pads={f"ROW{i}": i for i in range(1, 9)}, value="Rows", part_type="Connector")
    for i in range(1, 9):
        p = j1[f"COL{i}"]
        s.wire(p, (1.4, p[1]), (1.5, p[1] - 0.1))
        p = j2[f"ROW{i}"]
        s.wire(p, (8.2, p[1]), (8.1, p[1] - 0.1))
    s.bus("COL[1..8]", [(xs[-1] + 0.4, 2.2), (1.5, 2.2), (1.5, j1["COL1"][1] - 0.1)], (4.85, 2.15), "bottomCenter")
    s.bus("ROW[1..8]", [(8.1, ys[0] - 0.1), (8.1, min(ys[-1], j2["ROW8"][1]) - 0.1)], (8.15, ys[0]), "topRight")
    s.text((4.85, 1.7), "LED1 - LED64: warm white 0805, anode to the row", height=0.06, color="100,0,0")
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
    # L1 and C5 stand in series: the match between them, the antenna after C5.
    b.net("RFM", 0.014); b.net("ANT", 0.014)
    b.track("RFM", ["L1.2", "C5.1"])
    # The antenna: a meander from the matching network across the keep-out.
    ant = ["C5.2", (0.85, 1.55)]
    y = 1.55
    for k in range(4):
        x2 = 0.15 if k % 2 == 0 else 0.85
        ant.append((x2, y))
        if k < 3:
            ant.append((x2, y + 0.08))
        y += 0.08
    b.track("ANT", ant)
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
    # The radio with its crystal on the left, the supply pins up to a rail
    # decoupled by four capacitors, the antenna match on the right and the
    # castellated edge pads down the left side.
    u = s.ic("U1", 4.5, 2.4, 1.6, left=["XC1", "", "XC2", "", "SDA", "SCL"], right=["ANT", "", "GPIO1", "GPIO2"],
             top=["DVDD", "AVDD", "PAVDD", "VDD"], bottom=["GND"], pitch=0.2, nc=("GPIO1", "GPIO2"),
             pads={"XC1": 6, "XC2": 3, "SDA": 10, "SCL": 17, "ANT": 25, "GPIO1": 20, "GPIO2": 21,
                   "DVDD": 14, "AVDD": 18, "PAVDD": 23, "VDD": 29, "GND": 33},
             value="SWL2401", part_type="Radio")
    y1 = s.crystal("Y1", (3.9, 3.4), "32 MHz", vertical=True, text_side="left")
    s.wire(u["XC1"], y1[1]); s.wire(u["XC2"], y1[2])
    s.gnd(u["GND"])
    s.wire((2.3, 4.55), (2.3, 4.6), (u["VDD"][0], 4.6), u["VDD"])
    for name in ("DVDD", "AVDD", "PAVDD"):
        s.wire(u[name], (u[name][0], 4.6))
    s.supply((4.6, 4.6), "VDD")
    for i, (ref, pad) in enumerate([("C1", (1, 2)), ("C2", (2, 1)), ("C3", (1, 2)), ("C4", (1, 2))]):
        x = 2.3 + 0.55 * i
        c = s.capacitor(ref, (x, 4.35), "100nF", pads=pad)
        if i:
            s.wire((x, 4.6), c[1])
        s.gnd(c[2])
    # The match: L1 and C5 in series to the printed antenna.
    l1 = s.inductor("L1", (6.7, u["ANT"][1]), "2.2nH")
    c5 = s.capacitor("C5", (7.4, u["ANT"][1]), "1.5pF", vertical=False)
    s.wire(u["ANT"], l1[1]); s.wire(l1[2], c5[1])
    ae = s.antenna("AE1", (8.2, u["ANT"][1] + 0.2), "PCB meander")
    s.wire(c5[2], (8.2, u["ANT"][1]), ae[1])
    # The edge pads: supply, I2C and grounds; P6 is left open.
    edge = {}
    for ref, net, y in [("P2", "VDD", 3.3), ("P3", "SDA", 2.8), ("P5", "SCL", 2.6), ("P1", "GND", 2.2),
                        ("P4", "GND", 2.0), ("P7", "GND", 1.8), ("P6", "NC", 1.5)]:
        edge[ref] = s.edge_pad(ref, (1.26, y), net, nc=net == "NC")
    s.wire(edge["P2"][1], (1.8, 3.3)); s.supply((1.8, 3.3), "VDD")
    s.wire(edge["P3"][1], u["SDA"]); s.wire(edge["P5"][1], u["SCL"])
    s.wire(edge["P1"][1], (1.8, 2.2), (1.8, 1.7)); s.gnd((1.8, 1.7))
    s.wire(edge["P4"][1], (1.8, 2.0)); s.wire(edge["P7"][1], (1.8, 1.8))
    s.move(0.6, 1.0)
    write(f"{OUT}/Sablewing.project", "Sablewing", "sablewing", [s], b)


# ================================================================ Kestrel
# A 4-layer H-bridge for a brushed motor: four TO-220 MOSFETs, a gate driver,
# bulk capacitors, a ground plane and a motor-supply plane inside.
def kestrel():
    b = Board("Kestrel", 3.0, 2.2, inner=[("Inner 1 GND", "90,170,90"), ("Inner 2 VM", "170,90,170")], units="mm",
              colors={"top": "215,125,45", "bottom": "70,120,210"}, mask="60,20,110", parametric=True)
    b.outline_rect(0.04)
    bot = b.bottom_index
    def power_terminal(ref, x, y, deg, value):
        # Level texts above and below: beside the terminal is the board's edge.
        fp = Footprint(ref, x, y, deg, "TERM-2x5.08", "Terminal block", value, upright=True)
        fp.pad(1, (-0.1, 0), size=(0.16, 0.16), hole=0.07, smt=False)
        fp.pad(2, (0.1, 0), diameter=0.16, hole=0.07, smt=False)
        fp.package_family("blockFootprint", rows=2, pitch=(0.2, 0.2), leadType="straight", padSize=(0.16, 0.16),
                          holeDiameter=0.07, roundPads=True, verticalHeight=0.39)
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
    # The driver's outputs, and past each gate resistor the gate itself.
    b.route("HOA", "U1.1", "R1.1", first="v"); b.track("GHA", ["R1.2", "Q1.1"])
    b.route("LOA", "U1.8", "R3.2", first="v"); b.track("GLA", ["R3.1", "Q3.1"])
    b.route("HOB", "U1.16", "R2.1", first="v"); b.track("GHB", ["R2.2", "Q2.1"])
    b.route("LOB", "U1.9", "R4.2", first="v"); b.track("GLB", ["R4.1", "Q4.1"])
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
    # The driver on the left; the bridge's two legs with the motor between
    # them; the B side's FETs face outwards, their gate wires running round
    # the bridge above and below the rails instead of across it.
    J3 = s.ic("J3", 0.8, 3.8, 0.5, right=["INA", "INB", "VCC", "GND"], pitch=0.2,
              pads={"INA": 1, "INB": 2, "GND": 3, "VCC": 4}, value="Logic", part_type="Connector")
    u = s.ic("U1", 2.2, 3.8, 1.3, left=["INA", "INB", "VCC", "GND"], right=["HOB", "HOA", "LOA", "LOB"], pitch=0.2,
             pads={"INA": 10, "INB": 11, "VCC": 14, "GND": 4, "HOA": 1, "LOA": 8, "HOB": 16, "LOB": 9},
             value="KD2104", part_type="Gate driver")
    for name in ("INA", "INB", "VCC", "GND"):
        s.wire(J3[name], u[name])
    s.wire((1.7, 4.0), (1.7, 3.8)); s.gnd((1.7, 3.8))
    q1 = s.nmos("Q1", (5.5, 5.5), "IRLB8721", pads=(1, 2, 3))
    q3 = s.nmos("Q3", (5.5, 4.0), "IRLB8721", pads=(1, 2, 3))
    q2 = s.nmos("Q2", (8.3, 5.5), "IRLB8721", pads=(1, 2, 3), gate="right")
    q4 = s.nmos("Q4", (8.3, 4.0), "IRLB8721", pads=(1, 2, 3), gate="right")
    s.wire(q1["S"], q3["D"]); s.wire(q2["S"], q4["D"])
    s.wire(q1["D"], (5.6, 6.2), (8.2, 6.2), q2["D"]); s.supply((6.9, 6.2), "VM")
    s.wire(q3["S"], (5.6, 3.4), (8.2, 3.4), q4["S"]); s.gnd((6.9, 3.4))
    mot = s.ic("J2", 6.65, 4.6, 0.5, left=["#A"], right=["#B"], pitch=0.15, pads={"A": 1, "B": 2}, value="Motor",
               part_type="Terminal block")
    # The motor on the terminal block, drawn inside it.
    mot.items.append('<rectangle x="0.16" y="0.06" width="0.18" height="0.18" roundness="1" penWidth="0.01" '
                     'penColor="140,0,0" brushColor="0,255,255,255"/>')
    mot.note((0.25, 0.15), "M", height=0.08)
    s.wire((5.6, mot["A"][1]), mot["A"]); s.wire(mot["B"], (8.2, mot["B"][1]))
    r1 = s.resistor("R1", (4.6, 5.5), "10R", vertical=False)
    r3 = s.resistor("R3", (4.6, 4.0), "10R", vertical=False, pads=(2, 1))
    r2 = s.resistor("R2", (8.8, 5.5), "10R", vertical=False, pads=(2, 1))
    r4 = s.resistor("R4", (8.8, 4.0), "10R", vertical=False)
    s.wire(u["HOB"], (3.85, u["HOB"][1]), (3.85, 6.6), (9.0, 6.6), r2[2]); s.wire(r2[1], q2["G"])
    s.wire(u["HOA"], (4.0, u["HOA"][1]), (4.0, 5.5), r1[1]); s.wire(r1[2], q1["G"])
    s.wire(u["LOA"], (4.2, u["LOA"][1]), (4.2, 4.0), r3[1]); s.wire(r3[2], q3["G"])
    s.wire(u["LOB"], (3.8, u["LOB"][1]), (3.8, 3.0), (9.0, 3.0), r4[2]); s.wire(r4[1], q4["G"])
    # The motor supply and its bulk capacitors.
    j1 = s.ic("J1", 0.8, 2.2, 0.5, right=["VM", "GND"], pitch=0.2, pads={"VM": 1, "GND": 2}, value="Supply 24V",
              part_type="Terminal block")
    s.wire(j1["VM"], (3.1, j1["VM"][1]), (3.1, 2.5)); s.supply((2.0, j1["VM"][1]), "VM")
    c1 = s.capacitor("C1", (2.5, 2.3), "470uF 35V", polar=True)
    c2 = s.capacitor("C2", (3.1, 2.3), "470uF 35V", polar=True)
    s.wire((2.5, j1["VM"][1]), c1[1]); s.gnd(c1[2]); s.gnd(c2[2])
    s.wire(j1["GND"], (1.8, j1["GND"][1]), (1.8, 2.1)); s.gnd((1.8, 2.1))
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
    # The timer's threshold and trigger sit on the sensing electrode, whose
    # capacitance to the ground electrode rises with the soil's moisture.
    u = s.ic("U1", 4.5, 3.4, 1.2, left=["DIS", "THR", "\u02c6TRIG\u02c7"], right=["OUT", "CTRL"],
             top=["VCC", "\u02c6RESET\u02c7"], bottom=["GND"], pitch=0.2, nc=("CTRL",), value="TLC555",
             part_type="Timer", pads={"DIS": 7, "THR": 6, "\u02c6TRIG\u02c7": 2, "OUT": 3, "CTRL": 5, "VCC": 8,
                                      "\u02c6RESET\u02c7": 4, "GND": 1})
    r1 = s.resistor("R1", (3.4, 4.6), "10k", pads=(2, 1))
    s.wire(u["DIS"], (3.4, u["DIS"][1]), r1[2])
    s.wire(r1[1], (3.4, 5.0), (5.9, 5.0), (5.9, 4.9))
    s.wire(u["VCC"], (5.0, 5.0)); s.wire(u["\u02c6RESET\u02c7"], (5.2, 5.0)); s.supply((4.2, 5.0), "VCC")
    c1 = s.capacitor("C1", (5.9, 4.7), "100nF"); s.gnd(c1[2])
    probe = s.capacitor("E1", (3.8, 2.8), "Soil electrodes", fp="")
    s.wire(u["THR"], (3.8, u["THR"][1]), probe[1])
    s.wire(u["\u02c6TRIG\u02c7"], (4.0, u["\u02c6TRIG\u02c7"][1]), (4.0, u["THR"][1]))
    s.gnd(probe[2]); s.gnd(u["GND"])
    j = s.ic("J1", 7.4, 3.6, 0.5, left=["VCC", "AOUT", "GND"], pitch=0.2, pads={"VCC": 1, "GND": 2, "AOUT": 3},
             value="VCC GND AOUT", part_type="Connector")
    s.wire(u["OUT"], j["AOUT"])
    s.wire(j["VCC"], (7.0, j["VCC"][1])); s.supply((7.0, j["VCC"][1]), "VCC")
    s.wire(j["GND"], (7.0, j["GND"][1])); s.gnd((7.0, j["GND"][1]))
    s.move(0.0, 0.6)
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
    # USB-C power in (the CC pins pulled down to ask for 5 V), the charger
    # with its programming resistor and status LED, the cell on the right.
    usb = s.ic("J1", 1.0, 3.2, 0.7, right=[("VBUS", "VBUS"), ("VBUS2", "VBUS"), "CC1", "CC2", ("GND", "GND"),
                                             ("GND2", "GND"), ("S1", "SHIELD"), ("S2", "SHIELD")],
               pitch=0.2, value="USB-C power receptacle", part_type="Connector")
    s.wire(usb["VBUS"], (4.2, usb["VBUS"][1]), (4.2, 4.2))
    s.wire(usb["VBUS2"], (2.1, usb["VBUS2"][1]), (2.1, usb["VBUS"][1]))
    r3 = s.resistor("R3", (3.2, 4.1), "5.1k")
    r4 = s.resistor("R4", (2.6, 3.9), "5.1k")
    s.wire(usb["CC1"], (3.2, usb["CC1"][1]), r3[1]); s.gnd(r3[2])
    s.wire(usb["CC2"], (2.6, usb["CC2"][1]), r4[1]); s.gnd(r4[2])
    s.wire(usb["GND"], (2.2, usb["GND"][1]), (2.2, 3.2))
    for k in ("GND2", "S1", "S2"):
        s.wire(usb[k], (2.2, usb[k][1]))
    s.gnd((2.2, 3.2))
    c1 = s.capacitor("C1", (3.7, 4.55), "4.7uF")
    s.wire((3.7, usb["VBUS"][1]), c1[1]); s.gnd(c1[2])
    u = s.ic("U1", 4.6, 3.8, 1.0, left=["VDD", "PROG"], right=["STAT", "VBAT"], bottom=["VSS"], pitch=0.2,
             pads={"STAT": 1, "VSS": 2, "VBAT": 3, "VDD": 4, "PROG": 5}, value="MCP73831", part_type="Charger")
    s.wire((4.2, 4.2), u["VDD"])
    r1 = s.resistor("R1", (4.3, 3.5), "2k", pads=(2, 1), text_side="left")
    s.wire(u["PROG"], (4.3, u["PROG"][1]), r1[1]); s.gnd(r1[2]); s.gnd(u["VSS"])
    d1 = s.diode("D1", (6.2, 4.6), "Red", led=True, pads=(2, 1))
    r2 = s.resistor("R2", (6.2, 5.2), "470", pads=(2, 1))
    s.wire(u["STAT"], (6.2, u["STAT"][1]), d1["K"]); s.wire(r2[2], d1["A"]); s.supply(r2[1], "VBUS")
    c2 = s.capacitor("C2", (6.9, 3.75), "4.7uF", pads=(2, 1))
    bat = s.ic("J2", 7.6, 3.2, 0.6, left=["+", "-", ("M1", "MNT"), ("M2", "MNT")], pitch=0.2,
               pads={"+": 1, "-": 2}, value="LiPo cell", part_type="Connector")
    s.wire(u["VBAT"], bat["+"]); s.wire((6.9, bat["+"][1]), c2[1]); s.gnd(c2[2])
    s.wire(bat["-"], (7.2, bat["-"][1]), (7.2, 3.2))
    for k in ("M1", "M2"):
        s.wire(bat[k], (7.2, bat[k][1]))
    s.gnd((7.2, 3.2))
    s.move(0.3, 0.8)
    write(f"{OUT}/Harrowby.project", "Harrowby", "harrowby", [s], b)


# ================================================================ Vireo
# A single-sided kit: an adjustable LM317 bench supply with a bridge
# rectifier, bulk and output capacitors, a set resistor and a trimmer.
def vireo():
    b = Board("Vireo", 2.8, 1.6, single_sided=True, units="inch", colors={"bottom": "230,150,70"}, mask="40,40,140",
              parametric=True)
    # A paper-phenolic board, thin enough to see the copper side through.
    b.outline_rect(0.0, fill="110,150,110,40")
    bot = b.bottom_index
    def terminal(ref, x, y, deg, value):
        fp = Footprint(ref, x, y, deg, "TERM-2x5.08", "Terminal block", value)
        fp.pad(1, (-0.1, 0), size=(0.12, 0.12), hole=0.055, smt=False)
        fp.pad(2, (0.1, 0), diameter=0.12, hole=0.055, smt=False)
        fp.package_family("blockFootprint", rows=2, pitch=(0.2, 0.2), leadType="straight", padSize=(0.12, 0.12),
                          holeDiameter=0.055, roundPads=True, verticalHeight=0.39)
        return b.add(fp.outline(-0.2, -0.15, 0.4, 0.3))
    terminal("J1", 0.2, 0.8, 270, "AC 15V in")
    terminal("J2", 2.45, 0.8, 270, "DC out")
    br = Footprint("BR1", 0.7, 0.8, 0, "KBP", "Bridge rectifier", "KBP206")
    for i, name in enumerate(["+", "~1", "~2", "-"]):
        br.pad(name, (0, 0.3 - i * 0.2), size=(0.08, 0.08), hole=0.045, smt=False) if i == 0 else br.pad(name, (0, 0.3 - i * 0.2), diameter=0.08, hole=0.045, smt=False)
    # A package of no family of its own: the generic one.
    br.package_family("genericFootprint", padSize=(0.08, 0.08), holeDiameter=0.045, roundPads=True)
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
    # Rectified and smoothed AC into an LM317 whose output is set by R1 and
    # the trimmer RV1 from the ADJ pin.
    t = s.ic("J1", 1.2, 4.0, 0.5, right=["AC1", "AC2"], pitch=0.4, pads={"AC1": 1, "AC2": 2}, value="AC 15V in",
             part_type="Terminal block")
    br = s.bridge("BR1", (3.0, 4.6), "KBP206")
    s.wire(t["AC1"], (2.2, t["AC1"][1]), (2.2, 5.2), (3.0, 5.2), br["~1"])
    s.wire(t["AC2"], (2.2, t["AC2"][1]), (2.2, 4.0), (3.0, 4.0), br["~2"])
    s.wire(br["-"], (2.45, 4.6)); s.gnd((2.45, 4.6))
    u = s.ic("U1", 5.0, 4.3, 1.0, left=["IN"], right=["OUT"], bottom=["ADJ"], pitch=0.3,
             pads={"ADJ": 1, "OUT": 2, "IN": 3}, value="LM317T", part_type="Regulator")
    s.wire(br["+"], u["IN"])
    c1 = s.capacitor("C1", (4.2, 4.25), "2200uF 35V", polar=True)
    s.wire((4.2, 4.6), c1[1]); s.gnd(c1[2])
    r1 = s.resistor("R1", (7.0, 4.25), "240", pads=(2, 1))
    rv = s.potentiometer("RV1", (7.0, 3.45), "5k", pads=(1, 2, 3))
    j2 = s.ic("J2", 9.2, 4.2, 0.5, left=["+", "-"], pitch=0.2, pads={"+": 1, "-": 2}, value="DC out",
              part_type="Terminal block")
    s.wire(u["OUT"], j2["+"]); s.wire((7.0, 4.6), r1[1])
    s.wire(r1[2], rv[1])
    s.wire(u["ADJ"], (5.5, 3.9), (7.0, 3.9))
    s.wire(rv["W"], (7.2, 3.75), (7.0, 3.75))
    s.gnd(rv[2])
    c2 = s.capacitor("C2", (7.8, 4.25), "100uF 25V", polar=True)
    s.wire((7.8, 4.6), c2[1]); s.gnd(c2[2])
    s.wire(j2["-"], (8.8, j2["-"][1])); s.gnd((8.8, j2["-"][1]))
    s.move(0.0, 0.4)
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
    # Each op-amp follows its input: the feedback resistor from its output
    # to its inverting input. The decoupling capacitors' other ends go to
    # ground, the op-amps' negative supply to the -15 V rail.
    b.connect("GND", "J1.S", "J2.S", "RV1.A3", "RV1.B3", "J3.2", "C3.2", "C4.2")
    b.connect("OUTBL", "R2.2"); b.connect("OUTBR", "R4.2")
    b.connect("V+", "U1.8", "U2.8", "J3.1", "C3.1", "C4.1")
    b.connect("V-", "J3.3", "U1.4", "U2.4")
    for p in [(1.05, 1.0), (1.35, 1.0), (0.3, 0.3), (0.3, 1.7), (2.9, 0.3), (2.9, 1.7)]:
        b.via("GND", p, 0.035, 0.016)
    b.pour(6, "GND", rect_outline(0.04, 0.04, 3.16, 1.96), clearance=0.02)
    # The rails: +15 V over the top half of the inner plane, -15 V below.
    b.pour(7, "V+", rect_outline(0.04, 1.02, 3.16, 1.96), clearance=0.02, kind="splitPowerPlane")
    b.pour(7, "V-", rect_outline(0.04, 0.04, 3.16, 0.98), clearance=0.02, kind="splitPowerPlane")
    b.pour(bot, "GND", rect_outline(0.04, 0.04, 3.16, 1.96), clearance=0.015)

    s = Sheet(1, "Left", "Marlowe preamp - left channel", units="mm")
    s2 = Sheet(2, "Right", "Marlowe preamp - right channel", units="mm")
    # One channel per sheet: the input capacitor, an op-amp following it
    # (47k from its output back to its inverting input), a series resistor
    # and the channel's half of the volume pot to the output jack. The jacks
    # and the supply header are on the left sheet; the right channel's input
    # and output reach it through off-page connectors.
    def channel(sh, u_ref, c_ref, rs_ref, rf_ref, pot_ref, pot_pads, cd_ref):
        cin = sh.capacitor(c_ref, (2.2, 4.6), "2.2uF film", vertical=False)
        u = sh.opamp(u_ref, (3.0, 4.8), "NE5532", pads=(6, 3, 7, 8, 4))
        sh.wire(cin[2], u["+"])
        rf = sh.resistor(rf_ref, (3.35, 5.6), "47k", vertical=False, pads=(1, 2))
        sh.wire(u["-"], (2.7, u["-"][1]), (2.7, 5.6), rf[1])
        sh.wire(rf[2], (4.0, 5.6), (4.0, 4.8))
        rs = sh.resistor(rs_ref, (4.7, 4.8), "10k", vertical=False)
        sh.wire(u["OUT"], rs[1])
        pot = sh.potentiometer(pot_ref, (5.6, 4.6), "10k log dual", fp="RV1", pads=pot_pads)
        sh.wire(rs[2], pot[1]); sh.gnd(pot[2])
        sh.supply(u["V+"], "V+"); sh.supply(u["V-"], "V-", down=True)
        cd = sh.capacitor(cd_ref, (4.6, 5.9), "100nF"); sh.supply(cd[1], "V+"); sh.gnd(cd[2])
        return cin, pot
    cin, pot = channel(s, "U1", "C1", "R1", "R2", "RV1A", ("A1", "A2", "A3"), "C3")
    jack = dict(pitch=0.3, pads={"TIP": "T", "RING": "R", "SLEEVE": "S"}, part_type="Jack")
    j1 = s.ic("J1", 0.6, 3.7, 0.7, right=["TIP", "RING", "SLEEVE"], value="Line in", **jack)
    s.wire(j1["TIP"], cin[1])
    s.wire(j1["RING"], (2.0, j1["RING"][1])); s.flag((2.0, j1["RING"][1]), "INR", "right", offpage=True)
    s.wire(j1["SLEEVE"], (1.7, j1["SLEEVE"][1])); s.gnd((1.7, j1["SLEEVE"][1]))
    j2 = s.ic("J2", 6.8, 3.7, 0.7, left=["TIP", "RING", "SLEEVE"], value="Line out", **jack)
    s.wire(pot["W"], j2["TIP"])
    s.wire(j2["RING"], (6.2, j2["RING"][1])); s.flag((6.2, j2["RING"][1]), "WR", "left", offpage=True)
    s.wire(j2["SLEEVE"], (6.4, j2["SLEEVE"][1])); s.gnd((6.4, j2["SLEEVE"][1]))
    j3 = s.ic("J3", 0.8, 2.2, 0.5, right=["+15", "GND", "-15"], pitch=0.2, pads={"+15": 1, "GND": 2, "-15": 3},
              value="+15 GND -15", part_type="Connector")
    s.wire(j3["+15"], (1.8, j3["+15"][1])); s.supply((1.8, j3["+15"][1]), "V+")
    s.wire(j3["GND"], (2.2, j3["GND"][1])); s.gnd((2.2, j3["GND"][1]))
    s.wire(j3["-15"], (1.8, j3["-15"][1])); s.supply((1.8, j3["-15"][1]), "V-", down=True)
    cin, pot = channel(s2, "U2", "C2", "R3", "R4", "RV1B", ("B1", "B2", "B3"), "C4")
    s2.wire(cin[1], (1.8, 4.6)); s2.flag((1.8, 4.6), "INR", "left", offpage=True)
    s2.wire(pot["W"], (6.6, pot["W"][1])); s2.flag((6.6, pot["W"][1]), "WR", "right", offpage=True)
    for sh in (s, s2):
        sh.move(0.8, 0.4)
    write(f"{OUT}/Marlowe.project", "Marlowe", "marlowe", [s, s2], b)


# ================================================================ Fenwick
# A controller board part-way through layout: three schematic sheets drawn,
# the parts placed on the board, the supply already poured, no signals routed.
def fenwick():
    b = Board("Fenwick", 3.5, 2.5, values="package", units="mm", colors={"top": "205,130,50"}, mask="20,90,40", parametric=True,
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

    # Three sheets joined by off-page connectors: the USB input, regulator
    # and status LEDs; the microcontroller with its crystal, decoupling and
    # SWD header; the GPIO and UART / I2C headers, fed by a bus.
    power = Sheet(1, "Power", "Fenwick controller - power", units="mm")
    usb = power.ic("J4", 0.8, 3.6, 0.6, right=["VBUS", "D-", "D+", "ID", "GND", ("M-1", "SHIELD"), ("M1", "SHIELD")],
                   pitch=0.2, pads={"VBUS": 1, "D-": 2, "D+": 3, "ID": 4, "GND": 5}, nc=("ID",), value="Micro USB",
                   part_type="Connector")
    u2 = power.ic("U2", 3.6, 4.8, 0.8, left=["IN"], right=["OUT"], bottom=["GND"], pitch=0.2,
                  pads={"IN": 3, "OUT": 2, "GND": 1}, value="3.3V LDO", part_type="Regulator")
    power.wire(usb["VBUS"], u2["IN"])
    c7 = power.capacitor("C7", (3.0, 4.75), "10uF"); power.wire((3.0, 5.0), c7[1]); power.gnd(c7[2])
    for pin, net in (("D-", "USB_DM"), ("D+", "USB_DP")):
        p = usb[pin]
        power.wire(p, (1.9, p[1])); power.flag((1.9, p[1]), net, "right", offpage=True)
    power.wire(usb["GND"], (2.0, usb["GND"][1]), (2.0, 3.6))
    for k in ("M-1", "M1"):
        power.wire(usb[k], (2.0, usb[k][1]))
    power.gnd((2.0, 3.6)); power.gnd(u2["GND"])
    c8 = power.capacitor("C8", (5.0, 4.75), "10uF")
    power.wire(u2["OUT"], (5.6, 5.0)); power.supply((5.6, 5.0), "3V3")
    power.wire((5.0, 5.0), c8[1]); power.gnd(c8[2])
    for i, (net, colour) in enumerate((("LED_R", "Red"), ("LED_A", "Amber"), ("LED_G", "Green"))):
        y = 5.0 - 0.7 * i
        r = power.resistor(f"R{i + 1}", (7.4, y), "1k", vertical=False)
        d = power.diode(f"D{i + 1}", (8.0, y), colour, direction="right", led=True, pads=(2, 1))
        power.flag((7.0, y), net, "left", offpage=True)
        power.wire((7.0, y), r[1]); power.wire(r[2], d["A"]); power.wire(d["K"], (8.4, y)); power.gnd((8.4, y))

    ctrl = Sheet(2, "Controller", "Fenwick controller - MCU", units="mm")
    pa = [f"PA{i}" for i in range(8)]
    m = ctrl.ic("U1", 4.2, 2.0, 1.6,
                left=["OSC_IN", "", "OSC_OUT", "", "\u02c6RST\u02c7", "BOOT0", "", "USB_DM", "USB_DP", "",
                      "SWDIO", "SWCLK"],
                right=pa + ["", "TX", "RX", "", "SCL", "SDA", "", "LED_R", "LED_A", "LED_G"],
                top=[("VDD1", "VDD"), ("VDD2", "VDD"), ("VDD3", "VDD"), "VDDA"],
                bottom=[("VSS1", "VSS"), ("VSS2", "VSS"), ("VSS3", "VSS"), "VSSA", "EP"], pitch=0.2,
                pads={"OSC_IN": 5, "OSC_OUT": 6, "\u02c6RST\u02c7": 7, "BOOT0": 44, "USB_DM": 32, "USB_DP": 33,
                      "SWDIO": 34, "SWCLK": 37, "PA0": 10, "PA1": 11, "PA2": 12, "PA3": 13, "PA4": 14, "PA5": 15,
                      "PA6": 16, "PA7": 17, "TX": 30, "RX": 31, "SCL": 42, "SDA": 43, "LED_R": 18, "LED_A": 19,
                      "LED_G": 20, "VDD1": 24, "VDD2": 36, "VDD3": 48, "VDDA": 9, "VSS1": 23, "VSS2": 35,
                      "VSS3": 47, "VSSA": 8, "EP": 49},
                value="FW-M4-48", part_type="Microcontroller")
    # The supplies up to a rail decoupled by six capacitors.
    ctrl.wire((1.0, 6.35), (1.0, 6.4), (m["VDDA"][0], 6.4), m["VDDA"])
    for k in ("VDD1", "VDD2", "VDD3"):
        ctrl.wire(m[k], (m[k][0], 6.4))
    ctrl.supply((4.3, 6.4), "3V3")
    for i in range(6):
        c = ctrl.capacitor(f"C{i + 1}", (1.0 + 0.5 * i, 6.15), "100nF")
        if i:
            ctrl.wire((1.0 + 0.5 * i, 6.4), c[1])
        ctrl.gnd(c[2])
    for k in ("VSS1", "VSS2", "VSS3", "VSSA", "EP"):
        ctrl.gnd(m[k])
    xt = ctrl.crystal("Y1", (3.6, 5.4), "12 MHz", vertical=True, text_side="left")
    ctrl.wire(m["OSC_IN"], xt[1]); ctrl.wire(m["OSC_OUT"], xt[2])
    ctrl.wire(m["BOOT0"], (3.6, m["BOOT0"][1]), (3.6, 4.45)); ctrl.gnd((3.6, 4.45))
    for k, net in (("\u02c6RST\u02c7", "NRST"), ("USB_DM", "USB_DM"), ("USB_DP", "USB_DP")):
        p = m[k]
        ctrl.wire(p, (3.8, p[1])); ctrl.flag((3.8, p[1]), net, "left", offpage=net != "NRST")
    # The SWD header (Cortex debug, 2 x 5 at 1.27 mm), drawn in signal order.
    swd = ctrl.ic("J1", 0.8, 1.6, 0.8, right=["SWDIO", "SWCLK", "\u02c6RESET\u02c7", "SWO", "KEY", "NC", "VTREF",
                                               ("GND1", "GND"), ("GND2", "GND"), "GNDDET"],
                  pitch=0.2, nc=("SWO", "KEY", "NC"), value="SWD", part_type="Connector",
                  pads={"VTREF": 1, "SWDIO": 2, "GND1": 3, "SWCLK": 4, "GND2": 5, "SWO": 6, "KEY": 7, "NC": 8,
                        "GNDDET": 9, "\u02c6RESET\u02c7": 10})
    ctrl.wire(swd["SWDIO"], m["SWDIO"])
    ctrl.wire(swd["SWCLK"], m["SWCLK"])
    p = swd["\u02c6RESET\u02c7"]
    ctrl.wire(p, (2.1, p[1])); ctrl.flag((2.1, p[1]), "NRST", "right")
    ctrl.wire(swd["VTREF"], (2.0, swd["VTREF"][1])); ctrl.supply((2.0, swd["VTREF"][1]), "3V3")
    ctrl.wire(swd["GND1"], (2.1, swd["GND1"][1]), (2.1, 1.7))
    for k in ("GND2", "GNDDET"):
        ctrl.wire(swd[k], (2.1, swd[k][1]))
    ctrl.gnd((2.1, 1.7))
    # Port A's low byte leaves as a bus; the serial lines and LEDs by name.
    for i, k in enumerate(pa):
        p = m[k]
        ctrl.wire(p, (6.3, p[1]), (6.4, p[1] - 0.1))
        ctrl.label((6.1, p[1]), f"GPIO{i}", at=(6.3, p[1] + 0.02), align="topLeft")
    bus_end = (7.4, m["PA7"][1] - 0.3)
    ctrl.bus("PA[0..7]", [(6.4, m["PA0"][1] + 0.1), (6.4, bus_end[1]), bus_end], (6.9, bus_end[1] + 0.04), "topCenter")
    ctrl.bus_flag(bus_end, "PA[0..7]", "right")
    for k in ("TX", "RX", "SCL", "SDA", "LED_R", "LED_A", "LED_G"):
        p = m[k]
        ctrl.wire(p, (6.4, p[1])); ctrl.flag((6.4, p[1]), k, "right", offpage=True)

    io = Sheet(3, "Interfaces", "Fenwick controller - connectors", units="mm")
    gpio = io.ic("J2", 6.0, 2.8, 0.7, left=[f"GPIO{i}" for i in range(8)] + ["", "3V3", "GND"], pitch=0.2,
                 pads={**{f"GPIO{i}": i + 1 for i in range(8)}, "3V3": 9, "GND": 10}, value="GPIO",
                 part_type="Connector")
    io.bus_flag((2.4, 5.3), "PA[0..7]", "left")
    io.bus("PA[0..7]", [(2.4, 5.3), (5.2, 5.3), (5.2, gpio["GPIO7"][1] - 0.1)], (3.8, 5.34), "topCenter")
    for i in range(8):
        p = gpio[f"GPIO{i}"]
        io.wire(p, (5.3, p[1]), (5.2, p[1] - 0.1))
        io.label((5.5, p[1]), f"GPIO{i}", shown=False)
    io.wire(gpio["3V3"], (5.5, gpio["3V3"][1])); io.supply((5.5, gpio["3V3"][1]), "3V3")
    io.wire(gpio["GND"], (5.5, gpio["GND"][1])); io.gnd((5.5, gpio["GND"][1]))
    uart = io.ic("J3", 3.0, 1.4, 0.7, left=["3V3", "TX", "RX", "SDA", "SCL", "GND"], pitch=0.2,
                 pads={"3V3": 1, "TX": 2, "RX": 3, "SDA": 4, "SCL": 5, "GND": 6}, value="UART / I2C",
                 part_type="Connector")
    for k in ("TX", "RX", "SDA", "SCL"):
        p = uart[k]
        io.wire(p, (2.4, p[1])); io.flag((2.4, p[1]), k, "left", offpage=True)
        io.port((2.4, p[1]), k, "left")
    io.wire(uart["3V3"], (2.6, uart["3V3"][1])); io.supply((2.6, uart["3V3"][1]), "3V3")
    io.wire(uart["GND"], (2.6, uart["GND"][1])); io.gnd((2.6, uart["GND"][1]))
    write(f"{OUT}/Fenwick.project", "Fenwick", "fenwick", [power, ctrl, io], b)

if __name__ == "__main__":
    import os
    os.makedirs(OUT, exist_ok=True)
    for name in sys.argv[2:] or ["quorlan", "blinkwell", "orrin", "lumengrid", "sablewing", "kestrel", "tidemark", "harrowby", "vireo", "marlowe", "fenwick"]:
        globals()[name]()
