#!/usr/bin/env bash
# Draws the window's pictures into res/: toolbar strips (normal, hot,
# disabled; 512 x 42, 24 bits), the 16-colour strip of the toolbar layout,
# and the application icon in the icon theme's sizes (16 to 256). Needs
# wxWidgets, ImageMagick and Xvfb (scripts/install-deps.sh installs them).
# The results are committed; the build embeds the strips and the window's
# icon sizes into the program (cmake/embed_files.cmake), and the install
# puts every icon size into the desktop's icon theme.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(mktemp -d)
trap 'rm -rf "$tool"' EXIT
g++ -std=c++20 -O1 tools/draw_res.cpp -o "$tool/draw_res" $(wx-config --cxxflags --libs core,base)
xvfb-run -a "$tool/draw_res" "$PWD"
# The layout's own strip: the normal pictures in 16 colours, no dithering,
# so the key colour stays one colour.
convert toolbar_normal.bmp +dither -colors 16 -type Palette BMP3:toolbar.bmp
for f in toolbar_normal toolbar_hot toolbar_disabled; do
  convert "$f.bmp" -type TrueColor BMP3:"$f.bmp"
done
identify toolbar*.bmp dezadide_*.png
