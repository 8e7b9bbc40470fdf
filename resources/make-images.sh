#!/usr/bin/env bash
# Draws Kelvora's own images with ImageMagick 6 (`convert`).
# Deterministic and re-runnable: every PNG is written next to this script.
#
# Most images are drawn at 8x (or 16x for the program icon) and shrunk with a
# box filter, so straight edges on the pixel grid stay crisp while curves get
# clean anti-aliasing. The cursor is drawn pixel by pixel from a text map.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")"
mkdir -p icons buttons cursors

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# Output options shared by every PNG: no metadata, no timestamps, so that
# re-running the script gives byte-identical files.
OUT=(-strip -define png:exclude-chunks=date,time,bKGD -define png:compression-level=9)

# ---------------------------------------------------------------------------
# Program icon: warm blue rounded square, white speech bubble, green dot.
# Designed on a 256x256 canvas, then shrunk to each size.
BLUE='#2F7FD6'
BLUE_TOP='#4A93E4'
GREEN='#34C759'

convert -size 256x256 xc:none \
  \( -size 256x256 gradient:"${BLUE_TOP}-${BLUE}" \) \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 8,8 247,247 48,48' \) \
  \( -clone 1,2 -alpha off -compose CopyOpacity -composite \) \
  -delete 1,2 -compose Over -composite \
  \( -size 256x256 xc:none -fill white -stroke none \
     -draw 'roundrectangle 40,48 215,167 44,44' \
     -draw 'polygon 68,150 124,150 56,216' \
     \( -size 256x256 xc:none -fill black -draw 'circle 192,192 192,136' \) \
     -compose DstOut -composite \) \
  -compose Over -composite \
  -fill "$GREEN" -stroke none -draw 'circle 192,192 192,152' \
  "$WORK/icon-master.png"

for s in 16 32 48 64 128 256; do
  convert "$WORK/icon-master.png" -filter Box -resize "${s}x${s}" \
    "${OUT[@]}" "PNG32:icons/kelvora-${s}.png"
done

# ---------------------------------------------------------------------------
# "Open address" button picture (40x28): a globe with a green right arrow.
# Drawn at 8x = 320x224.
convert -size 320x224 xc:none \
  -fill '#DCEBFB' -stroke '#2A6FC9' -strokewidth 11 \
  -draw 'circle 104,112 104,24' \
  -fill none -strokewidth 8 \
  -draw 'ellipse 104,112 36,88 0,360' \
  -draw 'line 104,24 104,200' \
  -draw 'line 16,112 192,112' \
  -draw 'line 30,68 178,68' \
  -draw 'line 30,156 178,156' \
  -stroke white -strokewidth 12 -fill '#2A9443' \
  -draw 'stroke-linejoin round polygon 148,94 234,94 234,58 306,112 234,166 234,130 148,130' \
  -stroke none \
  -draw 'polygon 148,94 234,94 234,58 306,112 234,166 234,130 148,130' \
  -filter Box -resize 40x28 \
  "${OUT[@]}" PNG32:buttons/open.png

# ---------------------------------------------------------------------------
# Refresh button picture (32x28): a clockwise circular arrow.
# Drawn at 8x = 256x224; ring centre (128,112), radius 72, angles measured
# clockwise from "right" (y grows downward). A full ring is drawn and the
# wedge from 292 deg round to 20 deg is cut away, leaving an open arc; the
# arrow head is based at 290 deg (half-width 34) with its tip 40 further
# along the direction of turn.
convert -size 256x224 xc:none \
  -fill none -stroke '#2A6FC9' -strokewidth 24 \
  -draw 'circle 128,112 200,112' \
  \( -size 256x224 xc:none -fill black -stroke none \
     -draw 'polygon 128,112 202.9,-73.4 301.2,12 328,112 315.9,180.4' \) \
  -compose DstOut -composite -compose Over \
  -stroke none -fill '#2A6FC9' \
  -draw 'polygon 190,58 164,12 141,76' \
  -filter Box -resize 32x28 \
  "${OUT[@]}" PNG32:buttons/refresh.png

# ---------------------------------------------------------------------------
# "增 加" button picture (16x16): a green plus on a white sheet.
# Drawn at 8x = 128x128.
convert -size 128x128 xc:none \
  -fill white -stroke '#5A6B80' -strokewidth 6 -draw 'roundrectangle 14,6 100,120 8,8' \
  -stroke none -fill '#2A9443' \
  -draw 'roundrectangle 62,40 82,122 6,6' -draw 'roundrectangle 32,70 112,90 6,6' \
  -filter Box -resize 16x16 \
  "${OUT[@]}" PNG32:buttons/add.png

# "退 出" button picture (16x16): a red power sign.
convert -size 128x128 xc:none \
  -fill none -stroke '#C8322B' -strokewidth 16 \
  -draw 'arc 16,20 112,116 300,240' \
  -draw 'line 64,10 64,62' \
  -filter Box -resize 16x16 \
  "${OUT[@]}" PNG32:buttons/exit.png

# ---------------------------------------------------------------------------
# Window icons (32x32) of the address list editor (a sheet with lines) and of
# the instructions window (a blue "i"). Drawn at 8x = 256x256.
convert -size 256x256 xc:none \
  -fill white -stroke '#2A6FC9' -strokewidth 14 -draw 'roundrectangle 36,12 220,244 18,18' \
  -stroke '#2A6FC9' -strokewidth 14 \
  -draw 'line 76,72 180,72' -draw 'line 76,116 180,116' -draw 'line 76,160 180,160' -draw 'line 76,204 140,204' \
  -filter Box -resize 32x32 \
  "${OUT[@]}" PNG32:icons/editor-32.png

convert -size 256x256 xc:none \
  -fill '#2A6FC9' -stroke none -draw 'circle 128,128 128,8' \
  -fill white -draw 'circle 128,70 128,48' -draw 'roundrectangle 108,104 148,212 14,14' \
  -filter Box -resize 32x32 \
  "${OUT[@]}" PNG32:icons/info-32.png

# ---------------------------------------------------------------------------
# Top-bar button background (57x33): soft white-to-grey-blue gradient,
# 1 px slightly darker border, rounded corners. Drawn at 8x = 456x264.
convert -size 456x264 xc:none \
  \( -size 456x264 gradient:'#FFFFFF-#DCE5F0' \) \
  \( -size 456x264 xc:black -fill white -draw 'roundrectangle 0,0 455,263 40,40' \) \
  \( -clone 1,2 -alpha off -compose CopyOpacity -composite \) \
  -delete 1,2 -compose Over -composite \
  -fill none -stroke '#A3B3C9' -strokewidth 8 \
  -draw 'roundrectangle 4,4 451,259 36,36' \
  -filter Box -resize 57x33 \
  "${OUT[@]}" PNG32:buttons/tab.png

# ---------------------------------------------------------------------------
# Pointing-hand cursor (32x32), hot spot (6,0): the index-finger tip.
# '#' = black outline, '.' = white fill, ' ' = transparent.
# Lines shorter than 32 columns are padded with transparency.
HAND_MAP=$(cat <<'MAP'
     ###
    #...#
    #...#
    #...#
    #...#
    #...#
    #...####
    #...#...####
    #...#...#...###
    #...#...#...#..#
 ## #...#...#...#..#
#..##...#...#...#..#
#...#...#...#...#..#
#....#.............#
 #....#............#
 #.................#
  #................#
  #...............#
   #..............#
   #.............#
    #............#
    #............#
    ##############
MAP
)

{
  echo '/* XPM */'
  echo 'static char *hand[] = {'
  echo '"32 32 3 1",'
  echo '"  c None",'
  echo '"# c #000000",'
  echo '". c #FFFFFF",'
  printf '%s\n' "$HAND_MAP" | awk '
    { rows[NR] = $0 }
    END {
      for (r = 1; r <= 32; r++) {
        line = (r in rows) ? rows[r] : ""
        if (length(line) > 32) { print "row " r " is too long" > "/dev/stderr"; exit 1 }
        while (length(line) < 32) line = line " "
        printf "\"%s\"%s\n", line, (r < 32 ? "," : "")
      }
    }'
  echo '};'
} > "$WORK/hand.xpm"

convert "$WORK/hand.xpm" "${OUT[@]}" PNG32:cursors/hand.png

echo "images written under $(pwd)"
