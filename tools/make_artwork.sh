#!/usr/bin/env bash
# Draws the screens' pictures with ImageMagick and the Noto CJK fonts:
#   assets/pictures/  compiled into the program (title band, draw panel,
#                     digits panel, the six picture buttons, winners list page)
#   assets/delivered/ copied beside the executable (setitem.jpg)
# The results are committed; run this again only to change the artwork.
# Needs: imagemagick, fonts-noto-cjk.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pictures="$root/assets/pictures"
delivered="$root/assets/delivered"
mkdir -p "$pictures" "$delivered"

bold=/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc
[ -f "$bold" ] || { echo "missing $bold (package fonts-noto-cjk)" >&2; exit 1; }
red='#DA261D'
dark='#B5150F'
gold='#F6C445'
jpeg=(-strip -sampling-factor 4:2:0 -quality 90)

# Title band: plain red, a touch darker at the bottom edge.
convert -size 1024x80 "gradient:#DE2A20-#CC2016" "${jpeg[@]}" "$pictures/title.jpg"

# Draw panel, 1024 x 400 (shown unscaled on a 1024-wide screen): a red stage
# with a 4 x 5 grid of pale boxes where the winner labels stand (columns from
# 180 every 200 pixels, rows from 10 every 57 pixels), then a white band for
# the description line (top 320) and the winner line (top 347).
boxes=()
for r in 0 1 2 3 4; do
  for c in 0 1 2 3; do
    x=$((170 + 200 * c)); y=$((9 + 57 * r))
    boxes+=(-draw "roundrectangle $x,$y $((x + 170)),$((y + 54)) 10,10")
  done
done
convert -size 1024x400 radial-gradient:'#E8372B'-"$dark" \
  -fill "$gold" -draw "rectangle 0,298 1023,301" \
  -fill white -draw "rectangle 0,302 1023,399" \
  -fill '#FFF3D9' -stroke "$gold" -strokewidth 3 "${boxes[@]}" \
  "${jpeg[@]}" "$pictures/stage.jpg"

# Digits panel, 1024 x 180: a white rounded field on red behind the six digits
# (they stand from 150 to 971 on a 1024-wide screen).
convert -size 1024x180 "xc:$red" \
  -fill "$dark" -draw "roundrectangle 122,12 1000,172 36,36" \
  -fill white -stroke "$gold" -strokewidth 5 -draw "roundrectangle 118,8 996,168 36,36" \
  "${jpeg[@]}" "$pictures/digits.jpg"

# Picture buttons, 180 x 77 bitmaps: an orange rounded button on white. The
# shape is drawn without antialiasing so that every pixel around it is exactly
# the white of the bottom-left corner, the colour the screen leaves unpainted.
button() { # file label
  convert -size 180x77 xc:white \
    +antialias -fill '#C85A00' -draw "roundrectangle 5,6 175,73 22,22" \
    -fill '#FF9A1F' -draw "roundrectangle 4,3 173,69 22,22" \
    -fill '#FFC266' -draw "roundrectangle 14,8 163,30 12,12" \
    -antialias -font "$bold" -pointsize 30 -fill black -gravity center -annotate +0-1 "$2" \
    -type TrueColor "BMP3:$pictures/$1"
}
button button_start.bmp '开始'
button button_setup.bmp '系统设置'
button button_setitem.bmp '设置奖项'
button button_curritem.bmp '当前奖项'
button button_list.bmp '获奖名单'
button button_close.bmp '退出系统'

# Winners list page, 972 x 766: red with the heading above the list (the list
# covers 96,152 825 x 537 of the 1024 x 768 screen).
convert -size 972x766 radial-gradient:'#E8372B'-"$dark" \
  -fill "$gold" -draw "rectangle 60,128 912,131" \
  -font "$bold" -pointsize 64 -fill "$gold" -stroke '#8A0C08' -strokewidth 2 \
  -gravity north -annotate +0+30 '获奖名单' \
  "${jpeg[@]}" "$pictures/lists.jpg"

# Prize item entry page, 1024 x 768, delivered beside the executable: red with
# the heading, and a pale band near the bottom for the four labels and fields
# (labels at top 591, fields at 624, buttons at 616).
convert -size 1024x768 radial-gradient:'#E8372B'-"$dark" \
  -font "$bold" -pointsize 72 -fill "$gold" -stroke '#8A0C08' -strokewidth 2 \
  -gravity north -annotate +0+120 '设置奖项' \
  -stroke none -gravity northwest \
  -fill "$gold" -draw "rectangle 0,566 1023,569" \
  -fill '#FFF3D9' -draw "rectangle 0,570 1023,680" \
  -fill "$gold" -draw "rectangle 0,681 1023,684" \
  "${jpeg[@]}" "$delivered/setitem.jpg"

echo "pictures written to $pictures and $delivered"
