#!/usr/bin/env python3
"""A small point-mass model of the Sparrow flight of small_motor.rcd, written
out the two ways rocket simulators export a flight, as sample input for
`tarvel compare` and the Compare window.

Usage: examples/simulate_small_motor.py [output folder]   (default: this folder)

The model is our own: vertical flight, the motor's thrust curve (a peak of
three times the sustain level early in the burn, then the sustain, then a
tail-off), the propellant burning away with the impulse delivered, body drag
in the standard atmosphere, a chute opened by the motor's delay charge 5 s
after burnout that inflates over half a second and settles at 7 m/s. Its
figures come close to the recorded flight's, not exactly: that difference is
what the comparison shows.

small_motor_sim.csv     comment lines, the header as the last comment line,
                        event lines, commas, feet and feet per second
small_motor_flight.csv  one header comment line "# Time (s), Z (m), ..." with
                        heights above sea level (a site 120 m up)
"""
import math
import os
import sys

G = 9.80665
IMPULSE, BURN, PEAK = 10.0, 1.86, 3.0          # N s, s, peak / sustain
MASS, PROPELLANT = 0.130, 0.0125               # kg
DIAMETER, CD = 0.029, 0.7
DELAY, CHUTE_RATE, INFLATE = 5.0, 7.0, 0.5     # s, m/s, s
SITE = 120.0                                   # m above sea level (second file)
STEP, EVERY = 0.001, 50                        # integration step, rows every 50 steps

sustain = IMPULSE / (BURN * (0.05 * PEAK / 2 + 0.15 * (PEAK + 1) / 2 + 0.65 + 0.15 / 2))


def thrust(t):
    if t < 0 or t >= BURN:
        return 0.0
    f = t / BURN
    if f < 0.05:
        return sustain * PEAK * f / 0.05
    if f < 0.20:
        return sustain * (PEAK + (1 - PEAK) * (f - 0.05) / 0.15)
    if f < 0.85:
        return sustain
    return sustain * (1 - (f - 0.85) / 0.15)


def density(h):
    return 1.225 * (1 - 2.25577e-5 * h) ** 4.2559


def simulate():
    area = math.pi * DIAMETER ** 2 / 4
    burnout_mass = MASS - PROPELLANT
    chute = burnout_mass * G / CHUTE_RATE ** 2  # drag k v^2 that holds the rate
    t = h = v = impulse = 0.0
    rows, events = [], [("IGNITION", 0.0)]
    flying = apogee = False
    deploy = BURN + DELAY
    step = 0
    while True:
        f = thrust(t)
        mass = MASS - PROPELLANT * min(impulse / IMPULSE, 1.0)
        drag = 0.5 * density(h) * CD * area * v * abs(v)
        if t >= deploy:
            drag += min((t - deploy) / INFLATE, 1.0) * chute * v * abs(v)
        a = (f - drag) / mass - G
        if not flying and a <= 0:
            a = 0.0  # on the pad until the thrust lifts it
        elif not flying:
            flying = True
            events.append(("LIFTOFF", t))
        if step % EVERY == 0:
            rows.append((t, h, v, a, f))
        if flying and h <= 0 and v < 0:
            events.append(("GROUND_HIT", t))
            return rows, events
        v_next = v + a * STEP
        h += (v + v_next) / 2 * STEP
        if flying and not apogee and v > 0 >= v_next:
            apogee = True
            events.append(("APOGEE", t + STEP * v / (v - v_next)))
        v = v_next
        impulse += (f + thrust(t + STEP)) / 2 * STEP
        t += STEP
        step += 1
        if abs(t - BURN) < STEP / 2:
            events.append(("BURNOUT", t))
        if abs(t - deploy) < STEP / 2:
            events.append(("RECOVERY_DEVICE_DEPLOYMENT", t))


def write(path, text):
    with open(path, "w", newline="") as out:
        out.write(text)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rows, events = simulate()
    events.sort(key=lambda e: e[1])
    ft = 1 / 0.3048
    lines = [
        "# Sparrow on a C6-5: point-mass model of tarvel's examples (simulate_small_motor.py)",
        "# 130 g, 29 mm, drag coefficient 0.7; chute 5 s after burnout, 7 m/s",
    ]
    lines += ["# Event %s occurred at t=%.3f seconds" % (name, t) for name, t in events]
    lines.append("# Time (s),Altitude (ft),Vertical velocity (ft/s),Vertical acceleration (ft/s²),"
                 "Total velocity (ft/s),Thrust (N),Mass (g)")
    for t, h, v, a, f in rows:
        mass = 1000 * (MASS - PROPELLANT * min(max(t, 0) / BURN, 1.0))
        lines.append("%.3f,%.2f,%.2f,%.2f,%.2f,%.3f,%.1f" % (t, h * ft, v * ft, a * ft, abs(v) * ft, f, mass))
    write(os.path.join(out, "small_motor_sim.csv"), "\n".join(lines) + "\n")

    lines = ["# Time (s), Z (m), Vz (m/s), Az (m/s²), Thrust (N)"]
    lines += ["%.6f,%.6f,%.6f,%.6f,%.6f" % (t, SITE + h, v, a, f) for t, h, v, a, f in rows]
    write(os.path.join(out, "small_motor_flight.csv"), "\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
