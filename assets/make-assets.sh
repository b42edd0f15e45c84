#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick: the main window's background (1920 x 1024 JPEG),
# the window icon (32 x 32) and the about box's program bitmap (32 x 32, 16 colours), and the
# icons of the desktop menu (icons/: 32, 48 and 128 pixels, and scalable, whose character is
# drawn as an outline by glyphpath.cpp). The results are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf

blossom() {  # x y r : a five-petal plum blossom
  local x=$1 y=$2 r=$3 out=""
  for a in 0 72 144 216 288; do
    local px py
    px=$(awk -v x="$x" -v r="$r" -v a="$a" 'BEGIN{printf "%d", x + r*0.9*sin(a*3.14159/180)}')
    py=$(awk -v y="$y" -v r="$r" -v a="$a" 'BEGIN{printf "%d", y - r*0.9*cos(a*3.14159/180)}')
    out+=" circle $px,$py $((px + r*6/10)),$py"
  done
  echo "$out"
}

draws=()
while read -r x y r; do
  draws+=(-fill '#F6B8C8' -stroke '#E58FA8' -strokewidth 2 -draw "$(blossom "$x" "$y" "$r")")
  draws+=(-fill '#F3D36B' -stroke none -draw "circle $x,$y $((x + r/3)),$y")
done <<'B'
640 90 26
700 150 18
590 170 14
1250 700 30
1400 620 22
140 600 20
230 680 14
B

convert -size 1920x1024 gradient:'#FFFBF0'-'#F9E3D6' \
  -fill none -stroke '#C9A45C' -strokewidth 6 -draw "path 'M 0,300 C 300,220 500,380 800,300 S 1300,220 1920,320'" \
  -stroke '#D8B977' -strokewidth 3 -draw "path 'M 0,318 C 300,238 500,398 800,318 S 1300,238 1920,338'" \
  -stroke '#B5333B' -strokewidth 8 -draw "path 'M 0,545 C 250,500 520,590 800,540 S 1400,500 1920,560'" \
  -stroke none \
  "${draws[@]}" \
  -font "$font" -fill '#7A2E2E' -pointsize 64 -annotate +60+130 'Mizorel' \
  -fill '#5B4636' -pointsize 30 -annotate +64+190 '冠婚葬祭の贈答を、家族の記録に。' \
  -quality 92 -interlace none background.jpg

convert -size 32x32 xc:'#FFFBF0' -fill '#B5333B' -draw 'roundrectangle 2,2 29,29 6,6' \
  -fill white -font "$font" -pointsize 22 -gravity center -annotate +0+1 '贈' \
  -colors 256 icon.png
convert icon.png -colors 16 -type Palette BMP3:program.bmp

# Desktop menu icons: the same red tile with 贈 on a transparent ground, at each size.
mkdir -p icons
for size in 32 48 128; do
  r=$((size * 6 / 32)) m=$((size * 2 / 32)) e=$((size - size * 3 / 32)) pt=$((size * 22 / 32))
  convert -size ${size}x${size} xc:none -fill '#B5333B' -draw "roundrectangle $m,$m $e,$e $r,$r" \
    -fill white -font "$font" -pointsize $pt -gravity center -annotate +0+$((size / 32)) '贈' \
    PNG32:icons/mizorel-$size.png
done
build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
c++ -std=c++20 -fPIC glyphpath.cpp -o "$build/glyphpath" $(pkg-config --cflags --libs Qt6Gui)
glyph=$("$build/glyphpath" /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf '贈' 88 2>/dev/null)
cat > icons/mizorel.svg <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">
  <rect x="8" y="8" width="112" height="112" rx="24" fill="#B5333B"/>
  <path transform="translate(64 64)" fill="#FFFFFF" d="$glyph"/>
</svg>
SVG
