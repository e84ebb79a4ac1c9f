#!/usr/bin/env bash
# Regenerates the sample flights of this folder with the seeded flight
# generator. Usage: examples/regenerate.sh [flightgen program] [output folder]
# (defaults: build/bin/flightgen, this folder). The same generator gives the
# same bytes, which the test flightgen_examples_reproduce checks.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
flightgen="${1:-$here/../build/bin/flightgen}"
out="${2:-$here}"
mkdir -p "$out"

# A C-class motor (10 N s, 1.86 s) in a 130 g rocket that carries the flight
# computer; the motor's 5 s delay charge opens a 7 m/s chute just past apogee.
"$flightgen" --quiet --seed 1 \
    --impulse 10 --burn 1.86 --peak 3 --mass 130 --propellant 12.5 \
    --diameter 29 --cd 0.7 --deploy-delay 5 --main 7 --dt 0.02 \
    --name "Sparrow" --place "School field" --date "April 14" \
    --note "C6-5 motor, 30 cm chute." \
    -o "$out/small_motor.rcd"

# A K-class motor (1800 N s, 3.2 s) in a 6.5 kg, 98 mm rocket from a site
# 1200 m above sea level: drogue at apogee (12.25 m/s), main at 200 m
# (6.5 m/s). Lands after 19,5xx samples of 0.01 s, close to the 20,000 limit.
"$flightgen" --quiet --seed 20 \
    --impulse 1800 --burn 3.2 --peak 1.3 --mass 6500 --propellant 900 \
    --diameter 98 --cd 0.5 --drogue 12.25 --main 6.5 --main-altitude 200 \
    --site-altitude 1200 --dt 0.01 --weight-unit lbs --thrust-unit lbs \
    --name "Long Shot" --place "Desert range" --date "Oct 3" \
    --note "Dual deploy: drogue at apogee, main at 650 ft." \
    -o "$out/high_power.rcd"

# An F-class motor (60 N s, 1.7 s) in a 450 g, 41 mm rocket, saved in metric
# units (g, km/h, m, N) with the rocket's details and two lines of notes.
"$flightgen" --quiet --seed 7 \
    --impulse 60 --burn 1.7 --peak 1.6 --mass 450 --propellant 30 \
    --diameter 41 --cd 0.55 --main 5.5 --site-altitude 350 --dt 0.02 \
    --weight-unit g --velocity-unit km/h --altitude-unit m --thrust-unit N \
    --name "Kestrel" --place "Hill field" --date "2024-05-04" \
    --note "First flight on the F motor." --note "Light wind; chute opened at apogee." \
    -o "$out/metric_flight.rcd"
