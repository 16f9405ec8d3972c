#!/usr/bin/env bash
# Makes a small demo corpus for the corruption check: known-good texts in
# English and German, and a data folder holding clean texts beside the kinds
# of damage the check finds (a NUL byte, a binary file, letters that form
# no language) and files it must pass (UTF-16, empty).
#   demo/make-demo-corpus.sh OUT_FOLDER
set -euo pipefail
out="${1:-demo/corpus}"
rm -rf "$out"
mkdir -p "$out/good" "$out/data/letters" "$out/data/archive"

english=(
  "The village lay at the end of a long valley, where the river turned west and the road followed it."
  "Every morning the baker opened his shop before the sun had risen over the hills."
  "Children walked to school along the narrow path that ran beside the old stone wall."
  "In the evening the farmers gathered in the square to talk about the weather and the harvest."
  "The teacher wrote the names of the rivers on the board and asked the class to learn them by heart."
  "When the winter came, the snow covered the fields and the roads were closed for many weeks."
  "The doctor visited the houses on the hill whenever someone was ill, even late at night."
  "A new bridge was built across the river, and the people of both towns came to see it opened."
  "The library held several thousand books, and most of them had been given by the families of the town."
  "There was a small market every Thursday, where people sold vegetables, cheese, bread and wool."
  "The station master knew every train by its sound long before it came around the bend."
  "Her brother had gone to the city to study law, and he wrote home every second week."
  "They planted apple trees along the southern edge of the garden, where the light was best."
  "The church bells rang at noon, and the workers in the fields stopped to eat their lunch."
  "Nobody could remember when the mill had last turned, but the wheel was still there."
  "At the end of the summer the whole town held a festival with music, dancing and long tables of food."
)
german=(
  "Das Dorf lag am Ende eines langen Tales, wo der Fluss nach Westen abbog und die Straße ihm folgte."
  "Jeden Morgen öffnete der Bäcker seinen Laden, bevor die Sonne über den Hügeln aufgegangen war."
  "Die Kinder gingen auf dem schmalen Weg zur Schule, der neben der alten Steinmauer verlief."
  "Am Abend trafen sich die Bauern auf dem Platz, um über das Wetter und die Ernte zu sprechen."
  "Der Lehrer schrieb die Namen der Flüsse an die Tafel und bat die Klasse, sie auswendig zu lernen."
  "Als der Winter kam, bedeckte der Schnee die Felder, und die Straßen waren viele Wochen gesperrt."
  "Der Arzt besuchte die Häuser auf dem Hügel, wenn jemand krank war, auch spät in der Nacht."
  "Über den Fluss wurde eine neue Brücke gebaut, und die Leute aus beiden Orten kamen zur Eröffnung."
  "Die Bücherei besaß mehrere tausend Bücher, und die meisten waren Geschenke der Familien des Ortes."
  "Jeden Donnerstag gab es einen kleinen Markt, auf dem Gemüse, Käse, Brot und Wolle verkauft wurden."
  "Der Bahnhofsvorsteher kannte jeden Zug an seinem Klang, lange bevor er um die Kurve kam."
  "Ihr Bruder war in die Stadt gegangen, um Rechtswissenschaft zu studieren, und schrieb jede zweite Woche."
  "Sie pflanzten Apfelbäume am südlichen Rand des Gartens, wo das Licht am besten war."
  "Zu Mittag läuteten die Glocken, und die Arbeiter auf den Feldern hielten inne, um zu essen."
  "Niemand wusste mehr, wann sich die Mühle zuletzt gedreht hatte, aber das Rad war noch da."
)

# paragraph LANG COUNT OFFSET: COUNT sentences of a language, starting at OFFSET.
paragraphs() {
  local -n pool=$1
  local count=$2 offset=$3 i
  for ((i = 0; i < count; i++)); do
    printf '%s ' "${pool[$(((offset + i * 7) % ${#pool[@]}))]}"
    if (((i + 1) % 4 == 0)); then printf '\r\n\r\n'; fi
  done
  printf '\r\n'
}
to_cp1252() { iconv -f UTF-8 -t WINDOWS-1252; }

paragraphs english 64 0 > "$out/good/english.txt"
paragraphs german 64 0 | to_cp1252 > "$out/good/german.txt"

paragraphs english 24 3 > "$out/data/english-village.txt"
paragraphs english 20 5 > "$out/data/letters/letter-from-the-city.txt"
paragraphs german 24 2 | to_cp1252 > "$out/data/dorf.txt"
# UTF-16 with a byte-order mark: clean text, must pass.
{ printf '\xff\xfe'; paragraphs english 40 1 | iconv -f UTF-8 -t UTF-16LE; } > "$out/data/letters/utf16-letter.txt"
# Empty: passes the size test, has no digraphs.
: > "$out/data/empty.txt"
# A text damaged by a NUL byte in its middle.
{ paragraphs english 6 2; printf '\0'; paragraphs english 6 9; } > "$out/data/archive/damaged-nul.txt"
# A binary file that happens to carry a .txt name.
{ printf 'PK\x03\x04\x14\x00\x00\x00\x08\x00'; for i in $(seq 1 64); do printf '\x00\x01\x02\x7f\xe3\x9c%03d' "$i"; done; } > "$out/data/archive/backup.txt"
# Letters in random order: readable characters, but no language.
awk 'BEGIN { srand(7); a = "qxzjvkwyfpgbmhdcul"; for (l = 0; l < 60; l++) { s = ""; for (w = 0; w < 12; w++) { n = 2 + int(rand() * 7); for (k = 0; k < n; k++) s = s substr(a, 1 + int(rand() * length(a)), 1); s = s " " } printf "%s\r\n", s } }' > "$out/data/archive/keyboard-noise.txt"
echo "demo corpus written to $out" >&2
