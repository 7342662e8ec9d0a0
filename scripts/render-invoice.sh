#!/usr/bin/env bash
# Renders one invoice with ImageMagick and writes the pictures a user would name from it
# into the given folder: scan.png (a clean 150 dpi scan), photo.jpg (the page photographed:
# tinted paper, perspective, uneven light, soft focus, sensor noise, 930 x 1316 JPEG),
# rotated90.png, rotated180.png, rotated270.png and skewed10.png (the scan turned clockwise by
# those degrees). The optional second argument seeds the photo's noise (default 7), so that a
# run is repeatable.
set -euo pipefail
out="$1"
mkdir -p "$out"
W=1240 H=1754
convert -size ${W}x${H} xc:white -font DejaVu-Sans -fill '#dde3ea' -draw 'rectangle 80,80 1160,230' \
  -fill '#1a2a44' -font DejaVu-Sans-Bold -pointsize 48 -annotate +110+175 'INVOICE' \
  -font DejaVu-Sans -pointsize 20 -fill '#222' -annotate +820+140 'Invoice no. 2024-0317' \
  -annotate +820+175 'Date: 17 March 2024' -annotate +820+210 'Due: 16 April 2024' \
  -pointsize 22 -annotate +110+300 'Northwind Office Supplies Ltd' -pointsize 20 \
  -annotate +110+332 '42 Harbour Street, Bristol BS1 4QA' -annotate +110+364 'accounts@northwind.example' \
  -annotate +700+300 'Bill to:' -annotate +700+332 'Keller Design Studio' -annotate +700+364 '7 Mill Lane, Bath' \
  -fill '#dde3ea' -draw 'rectangle 80,440 1160,480' -fill '#222' -font DejaVu-Sans-Bold \
  -annotate +100+468 'Description' -annotate +760+468 'Qty' -annotate +860+468 'Unit price' \
  -annotate +1040+468 'Amount' -font DejaVu-Sans \
  -annotate +100+520 'Printer paper A4, box of 5 reams' -annotate +770+520 '3' -annotate +870+520 '24.00' -annotate +1040+520 '72.00' \
  -annotate +100+560 'Toner cartridge, black' -annotate +770+560 '2' -annotate +870+560 '89.50' -annotate +1040+560 '179.00' \
  -annotate +100+600 'Desk lamp with dimmer' -annotate +770+600 '1' -annotate +870+600 '35.00' -annotate +1040+600 '35.00' \
  -annotate +100+640 'Delivery' -annotate +770+640 '1' -annotate +870+640 '12.00' -annotate +1040+640 '12.00' \
  -stroke '#888' -draw 'line 80,665 1160,665' -stroke none \
  -annotate +760+710 'Subtotal' -annotate +1040+710 '298.00' -annotate +760+745 'VAT 20%' -annotate +1040+745 '59.60' \
  -font DejaVu-Sans-Bold -annotate +760+790 'Total due' -annotate +1040+790 '357.60' -font DejaVu-Sans \
  -annotate +100+900 'Payment by bank transfer within 30 days of the invoice date.' \
  -annotate +100+932 'Bank: Western Counties Bank, sort code 20-45-77, account 40119934' \
  -annotate +100+1000 'Thank you for your business.' \
  -type TrueColor "$out/scan.png"
convert "$out/scan.png" -seed "${2:-7}" \( +clone -fill '#efe2c4' -colorize 100 \) -compose multiply -composite +level 12%,100% \
  -background '#4a3f36' -virtual-pixel background \
  +distort Perspective "0,0 90,60  $W,0 1170,130  $W,$H 1190,1710  0,$H 30,1650" \
  \( +clone -sparse-color Barycentric '0,0 gray(100%) %[fx:w],%[fx:h] gray(60%)' \) -compose multiply -composite \
  -blur 0x1.5 -attenuate 0.5 +noise Gaussian -resize 930x1316! -quality 82 "$out/photo.jpg"
convert "$out/scan.png" -rotate 90 "$out/rotated90.png"
convert "$out/scan.png" -rotate 180 "$out/rotated180.png"
convert "$out/scan.png" -rotate 270 "$out/rotated270.png"
convert "$out/scan.png" -background white -rotate 10 "$out/skewed10.png"
