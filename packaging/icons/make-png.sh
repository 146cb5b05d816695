#!/usr/bin/env bash
# Renders the 48 px PNG of the icon from the SVG. Run by hand after the drawing changes and
# commit the PNG: the build only installs it. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
rsvg-convert --width 48 --height 48 --format png org.tarnwick.Tarnwick.svg \
  --output org.tarnwick.Tarnwick-48.png
