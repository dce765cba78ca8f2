#!/usr/bin/env bash
# Draws the screens' pictures with ImageMagick and the Noto CJK fonts:
#   assets/pictures/  compiled into the program (title band, draw panel,
#                     digits panel, the six picture buttons, winners list page)
#   assets/delivered/ copied beside the executable (setitem.jpg)
#   assets/icons/     the program's icon in the desktop's sizes (installed
#                     into the hicolor theme); `make_artwork.sh icons` draws
#                     only these
# The results are committed; run this again only to change the artwork.
# Needs: imagemagick, fonts-noto-cjk.
#
# The screens are designed for 1024 x 768 and shown scaled to the screen
# (ui/common/stage.h). So that a 4K screen gets sharp pictures, everything is
# drawn at 3 times the design size; so that the bands reach the edges of a
# 16:9 screen, the backgrounds are 1366 design pixels wide, the 1024 pixels of
# the stage in their middle (beyond that the screens continue the pictures'
# edge columns). The winner board's boxes are not in the pictures: the board
# paints them from the same numbers that place its labels.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pictures="$root/assets/pictures"
delivered="$root/assets/delivered"
icons="$root/assets/icons"
mkdir -p "$pictures" "$delivered"

bold=/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc
[ -f "$bold" ] || { echo "missing $bold (package fonts-noto-cjk)" >&2; exit 1; }
red='#DA261D'
dark='#B5150F'
gold='#F6C445'
jpeg=(-strip -sampling-factor 4:2:0 -quality 88 -interlace none)

# The program's icon: a gold 奖 on a red rounded square with a gold rim,
# drawn once at 512 pixels and scaled down for the smaller sizes (the
# character stays the one thing to see at 16 pixels).
draw_icons() {
  local master="$icons/512x512/prizedraw.png" size
  mkdir -p "$icons/512x512"
  convert -size 512x512 xc:none \
    -fill '#8A0C08' -draw "roundrectangle 20,28 496,500 96,96" \
    -fill "$gold" -draw "roundrectangle 16,16 496,492 96,96" \
    -fill '#DA261D' -draw "roundrectangle 36,36 476,472 80,80" \
    -font "$bold" -pointsize 340 -fill "$gold" -stroke '#8A0C08' -strokewidth 6 \
    -gravity center -annotate +0-6 '奖' \
    -strip -define png:exclude-chunks=date,time -define png:compression-level=9 "PNG32:$master"
  for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$icons/${size}x${size}"
    convert "$master" -filter Lanczos -resize ${size}x${size} \
      -strip -define png:exclude-chunks=date,time "PNG32:$icons/${size}x${size}/prizedraw.png"
  done
}
if [ "${1:-}" = icons ]; then
  draw_icons
  echo "icons written to $icons"
  exit 0
fi
draw_icons

k=3                      # pixels per design pixel
wide=$((1366 * k))       # picture width
ox=$(((1366 - 1024) / 2 * k))   # where the stage's left edge lies in a picture
# Scales "x,y" design points of the stage into picture pixels.
at() { echo "$(($1 * k + ox)),$(($2 * k))"; }
full() { echo "0,$(($1 * k)) $((wide - 1)),$(($2 * k - 1))"; } # full-width rows [top, bottom)

# Title band, 80 high: plain red, a touch darker at the bottom edge.
convert -size ${wide}x$((80 * k)) "gradient:#DE2A20-#CC2016" "${jpeg[@]}" "$pictures/title.jpg"

# Draw panel, 400 high: a red stage, then a white band for the description
# line (top 320) and the winner line (top 347) from row 302 down.
convert -size ${wide}x$((400 * k)) radial-gradient:'#E8372B'-"$dark" \
  -fill "$gold" -draw "rectangle $(full 298 302)" \
  -fill white -draw "rectangle $(full 302 400)" \
  "${jpeg[@]}" "$pictures/stage.jpg"

# Digits panel, 180 high: a white rounded field on red behind the six digits
# (they stand from 150 to 971 of the stage).
convert -size ${wide}x$((180 * k)) "xc:$red" \
  -fill "$dark" -draw "roundrectangle $(at 122 12) $(at 1000 172) $((36 * k)),$((36 * k))" \
  -fill white -stroke "$gold" -strokewidth $((5 * k)) \
  -draw "roundrectangle $(at 118 8) $(at 996 168) $((36 * k)),$((36 * k))" \
  "${jpeg[@]}" "$pictures/digits.jpg"

# Picture buttons, 540 x 231 (three times the classic 180 x 77 bitmap): an
# orange rounded button on white. The shape is drawn without antialiasing so
# that every pixel around it is exactly the white of the bottom-left corner,
# the colour the screen leaves unpainted; PNG keeps that white exact.
button() { # file label
  convert -size 540x231 xc:white \
    +antialias -fill '#C85A00' -draw "roundrectangle 15,18 525,219 66,66" \
    -fill '#FF9A1F' -draw "roundrectangle 12,9 519,207 66,66" \
    -fill '#FFC266' -draw "roundrectangle 42,24 489,90 36,36" \
    -antialias -font "$bold" -pointsize 90 -fill black -gravity center -annotate +0-3 "$2" \
    -type TrueColor -define png:compression-level=9 "PNG24:$pictures/$1"
}
button button_start.png '开始'
button button_setup.png '系统设置'
button button_setitem.png '设置奖项'
button button_curritem.png '当前奖项'
button button_list.png '获奖名单'
button button_close.png '退出系统'

# Winners list page, 768 high: red with the heading above the list (the list
# covers 96,152 825 x 537 of the stage).
convert -size ${wide}x$((768 * k)) radial-gradient:'#E8372B'-"$dark" \
  -fill "$gold" -draw "rectangle $(at 63 129) $(at 961 132)" \
  -font "$bold" -pointsize $((64 * k)) -fill "$gold" -stroke '#8A0C08' -strokewidth $((2 * k)) \
  -gravity north -annotate +0+$((30 * k)) '获奖名单' \
  "${jpeg[@]}" "$pictures/lists.jpg"

# Prize item entry page, 768 high, delivered beside the executable: red with
# the heading, and a pale band near the bottom for the four labels and fields
# (labels at top 591, fields at 624, buttons at 616).
convert -size ${wide}x$((768 * k)) radial-gradient:'#E8372B'-"$dark" \
  -font "$bold" -pointsize $((72 * k)) -fill "$gold" -stroke '#8A0C08' -strokewidth $((2 * k)) \
  -gravity north -annotate +0+$((120 * k)) '设置奖项' \
  -stroke none -gravity northwest \
  -fill "$gold" -draw "rectangle $(full 566 570)" \
  -fill '#FFF3D9' -draw "rectangle $(full 570 681)" \
  -fill "$gold" -draw "rectangle $(full 681 685)" \
  "${jpeg[@]}" "$delivered/setitem.jpg"

echo "pictures written to $pictures and $delivered"
