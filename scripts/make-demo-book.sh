#!/usr/bin/env bash
# Makes a small demo book in the folder given: three MP3 files of tones
# (made on the spot with sox and lame) in its Libro folder, and a marker.txt
# with a few headings per file.
set -euo pipefail
book=${1:?usage: make-demo-book.sh <book folder>}
mkdir -p "$book/Libro"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
make_mp3() {  # name seconds frequency
  sox -n -r 22050 -c 1 "$tmp/$1.wav" synth "$2" sine "$3" vol 0.3
  lame --quiet -b 32 "$tmp/$1.wav" "$book/Libro/$1.mp3"
}
make_mp3 cap01 40 440
make_mp3 cap02 30 523
make_mp3 cap03 20 659
# marker.txt is windows-1252 text with CR LF line ends.
printf '%s\r\n' \
  '"DEMO01"' 'Autore di prova' 'Libro dimostrativo' 'Biblioteca' 'Roma 2026' 'Voce sintetica' ' 3 ' \
  'cap01,3,cap02' 'Capitolo primo' '0,1' 'Primo paragrafo' '15,2' 'Secondo paragrafo' '30,3' \
  'cap02,2,cap03' 'Capitolo secondo' '0,4' 'Un paragrafo' '12,5' \
  'cap03,2,' 'Capitolo terzo' '0,6' 'Conclusione' '10,7' \
  | iconv -f UTF-8 -t WINDOWS-1252 > "$book/marker.txt"
echo "Demo book written to $book"
