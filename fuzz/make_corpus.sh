#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target to fuzz/corpus/<target>/: small images
# converted by srec_cat, records from the format tests, small settings files and key
# sequences. The layout of each input is described at the top of its target's source.
# Run it again after changing a layout; fuzz.sh runs on a copy, never on these files.
set -euo pipefail
cd "$(dirname "$0")"
command -v srec_cat >/dev/null || { echo "make_corpus.sh: srec_cat (package srecord) is needed" >&2; exit 1; }

out=corpus
rm -rf "$out"
for t in intel_hex motorola_hex ascii_hex binary_load config_file entry_box hex_editor rom_catalogue; do
  mkdir -p "$out/$t"
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A 32-bit value, least significant byte first, as printf escapes.
le32() {
  local v=$(($1 & 0xFFFFFFFF))
  printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24))
}
# put TARGET NAME PRINTF-TEXT: one corpus file.
put() { printf "$3" > "$out/$1/$2"; }

# Images to convert: a count, a page with a gap, bytes that look like nothing.
seq_bytes() { local i; for ((i = 0; i < $1; ++i)); do printf "\\x$(printf %02x $(((i * $2 + $3) & 255)))"; done; }
seq_bytes 48 1 0 > "$tmp/count.bin"
seq_bytes 300 37 11 > "$tmp/page.bin"
seq_bytes 20 91 200 > "$tmp/odd.bin"

# --- hex readers: hex offset, low limit, high limit, chip end, word mode, then the text.
params() { printf '%s%s%s%s\\x%02x' "$(le32 "$1")" "$(le32 "$2")" "$(le32 "$3")" "$(le32 "$4")" "$5"; }
p_whole=$(params 0 0 0xFFFFF 0xFFFF 0)       # a 64 KiB view
p_small=$(params 0 0 0xFFFFF 0x3FF 0)        # an 8741: addresses fold onto 1 KiB
p_word=$(params 0 0 0xFFFFF 0x7FF 1)         # a word file for a 2 KiB chip
p_back=$(params -0x10000 0 0xFFFFF 0xFFFF 0) # offset back by 64 KiB
p_none=$(params 0 0 0xFFFFF 0 0)             # no chip chosen yet
hex_seed() { # target name params file
  { printf "$3"; cat "$4"; } > "$out/$1/$2"
}

srec_cat "$tmp/count.bin" -binary -o "$tmp/i_count.hex" -intel
srec_cat "$tmp/page.bin" -binary -offset 0x7F80 -o "$tmp/i_page.hex" -intel
srec_cat "$tmp/odd.bin" -binary -offset 0x1FFF0 -o "$tmp/i_linear.hex" -intel
srec_cat "$tmp/count.bin" -binary -offset 0xFFF0 -o "$tmp/i_end.hex" -intel -line-length=76
hex_seed intel_hex count "$p_whole" "$tmp/i_count.hex"
hex_seed intel_hex page "$p_whole" "$tmp/i_page.hex"
hex_seed intel_hex page_small "$p_small" "$tmp/i_page.hex"
hex_seed intel_hex linear "$p_back" "$tmp/i_linear.hex"
hex_seed intel_hex linear_whole "$p_whole" "$tmp/i_linear.hex"
hex_seed intel_hex end "$p_word" "$tmp/i_end.hex"
hex_seed intel_hex nochip "$p_none" "$tmp/i_count.hex"
put intel_hex segment "$p_whole:020000021000EC\r\n:0401000011AABB4441\r\n:020000020F00ED\r\n:04010400556677883D\r\n:00000001FF\r\n"
put intel_hex both_bases "$p_whole:020000040001F9\n:020000020000FC\n:10010000000102030405060708090A0B0C0D0E0F77\n"
put intel_hex overlap "$p_whole:02001000010100\r\n:02001000000000\r\n:0100100012DD\r\n:0100110034BB\r\n:00000001FF\r\n"
put intel_hex bad_sum "$p_whole:040100001122334451\n:04000000aabbccddee\n:060000001122334452\r\n:02400000AA55BF\n"
put intel_hex bad_digit "$p_whole:020000001122CB\r\n:0100100012DD\r\n:01002000X1DE\r\n"
put intel_hex short "$p_whole:10000000\r\n:80000000\r\n:04FFFE001122334455\n"
put intel_hex ctrl_z "$p_whole:0100100012DD\r\n\x1a:0100110034BB\r\n"
put intel_hex start_address "$p_whole:0400000300001000E9\r\n:0100100012DD\r\n:00000001FF\r\n"

srec_cat "$tmp/count.bin" -binary -o "$tmp/m_s1.s19" -motorola -address-length=2
srec_cat "$tmp/page.bin" -binary -offset 0x7F80 -o "$tmp/m_s2.s28" -motorola -address-length=3
srec_cat "$tmp/odd.bin" -binary -offset 0x1FFF0 -o "$tmp/m_s3.s37" -motorola -address-length=4
srec_cat "$tmp/count.bin" -binary -offset 0xFFF0 -o "$tmp/m_end.s28" -motorola -address-length=3
hex_seed motorola_hex s1 "$p_whole" "$tmp/m_s1.s19"
hex_seed motorola_hex s2 "$p_whole" "$tmp/m_s2.s28"
hex_seed motorola_hex s2_small "$p_small" "$tmp/m_s2.s28"
hex_seed motorola_hex s3 "$p_back" "$tmp/m_s3.s37"
hex_seed motorola_hex end "$p_word" "$tmp/m_end.s28"
hex_seed motorola_hex nochip "$p_none" "$tmp/m_s1.s19"
put motorola_hex test_records "$p_whole""S00600004844521B\r\nS1070100112233444D\r\nS2060000101234A3\r\nS30700001000AA55E9\r\nS5030001FB\r\nS804000000FB\r\n"
put motorola_hex mixed "$p_whole""S1070100112233444D\n; comment\n\n:0400000300001000E9\nS9030000FC\n"
put motorola_hex bad "$p_whole""S206123456ABCDE5\nS20A000100\nS214000000\nS70500000000FA\n"
put motorola_hex overlap "$p_whole""S1050010AA40\r\nS1050010BB2F\r\nS9030000FC\r\n"

hexpairs() { od -An -v -tx1 "$1" | tr -d ' \n' | tr a-f A-F | fold -w "$2"; echo; }
hexpairs "$tmp/count.bin" 32 | sed 's/$/\r/' > "$tmp/a_count.txt"
hexpairs "$tmp/page.bin" 64 > "$tmp/a_page.txt"
hex_seed ascii_hex count "$p_whole" "$tmp/a_count.txt"
hex_seed ascii_hex page "$p_whole" "$tmp/a_page.txt"
put ascii_hex odd_lines "$p_whole""0102030\r\n0A0B\n\r\n\rFFee\n"
put ascii_hex bad "$p_whole""0102\r\n03G4\r\n"
put ascii_hex ctrl_z "$p_whole""0102\x1a0304\r\n"

# --- binary loader: BufferStart, DeviceStart, DeviceEnd, HexOffset, then the file.
window() { printf '%s%s%s%s' "$(le32 "$1")" "$(le32 "$2")" "$(le32 "$3")" "$(le32 "$4")"; }
bin_seed() { { printf "$(window "$2" "$3" "$4" "$5")"; cat "$6"; } > "$out/binary_load/$1"; }
bin_seed start0 0 0 0x7FF 0 "$tmp/page.bin"
bin_seed near_end 0xFF00 0 0xFFFF 0 "$tmp/page.bin"
bin_seed before_start -16 0 0x3FF 0 "$tmp/count.bin"
bin_seed past_end 0x10000 0 0xFFFFF 0 "$tmp/count.bin"
bin_seed extremes 0x7FFFFFFF -0x80000000 0x7FFFFFFF 0x7FFFFFFF "$tmp/odd.bin"
bin_seed negative_window -0x80000000 -5 -1 -1 "$tmp/odd.bin"
seq_bytes 32800 13 5 > "$tmp/two_blocks.bin"
bin_seed two_blocks 0x8000 0x100 0x9000 0 "$tmp/two_blocks.bin"
printf "$(window 0 0 0xFFFF 0)" > "$out/binary_load/empty_file"

# --- settings file: 14 lines as the program writes them, and hand-edited ones. The
# scratch folder holds a.hex (Intel), b.s19 (Motorola), c.txt (Ascii Hex), d.bin.
put config_file written "250\r\n1\r\n10\r\n12\r\n1\r\n0\r\n7\r\n1\r\n0\r\n0\r\n32767\r\n0\r\na.hex\r\n888\r\n"
put config_file motorola "4\r\n3\r\n10\r\n20\r\n2\r\n0\r\n4\r\n0\r\n16\r\n0\r\n4095\r\n-16\r\nb.s19\r\n55296\r\n"
put config_file ascii "0\r\n1\r\n0\r\n2\r\n3\r\n1\r\n2\r\n1\r\n0\r\n0\r\n2047\r\n0\r\nc.txt\r\n632\r\n"
put config_file binary "0\r\n1\r\n0\r\n9\r\n0\r\n0\r\n7\r\n1\r\n65520\r\n0\r\n4095\r\n0\r\nd.bin\r\n1024\r\n"
put config_file lf_only "250\n1\n10\n16\n1\n0\n7\n1\n0\n0\n16383\n0\n\n888\n"
put config_file cr_only "250\r1\r10\r16\r1\r0\r7\r1\r0\r0\r16383\r0\r\r888\r"
put config_file short "5\r\n2\r\n"
put config_file bad_line "250\r\n1\r\n10\r\n12\r\nX\r\n"
put config_file bad_late "0\r\n1\r\n0\r\n12\r\n1\r\n0\r\n7\r\n1\r\n-5\r\n\$zz\r\n"
put config_file bad_lpt4 "0\r\n1\r\n0\r\n12\r\n1\r\n0\r\n7\r\n1\r\n0\r\n0\r\n0\r\n0\r\n\r\nport\r\n"
put config_file hex_values "\$FA\r\n\$2\r\n0\r\n  +12\r\n\$1\r\n0\r\n7\r\n1\r\n\$FFFFF\r\n\$0\r\n\$FFFFF\r\n\$-1\r\n\r\n\$D800\r\n"
put config_file extremes "2147483647\r\n-2147483648\r\n65536\r\n99\r\n-1\r\n5\r\n12\r\n2\r\n1048575\r\n2147483647\r\n-2147483648\r\n2147483647\r\n\r\n65535\r\n"
put config_file ctrl_z "250\r\n1\r\n10\r\n12\x1a\r\n1\r\n"
put config_file no_file "0\r\n1\r\n0\r\n12\r\n1\r\n0\r\n7\r\n1\r\n0\r\n0\r\n0\r\n0\r\nmissing.hex\r\n888\r\n"
put config_file word_mode "0\r\n1\r\n0\r\n2\r\n1\r\n2\r\n2\r\n1\r\n0\r\n0\r\n2047\r\n0\r\na.hex\r\n888\r\n"
lines=""
for ((i = 1; i <= 31; ++i)); do lines+="$i\r\n"; done
put config_file many_lines "$lines"

# --- entry box: one event a byte (see entry_box_fuzz.cpp).
put entry_box device_end '\x07\x0c\x00\x02\x01\x042000\x02\x00\x02\x01\x037ff\x02'
put entry_box buffer_start '\x07\x0c\x00\x00\x01\x05FFFFF\x02\x00\x01\x01\x03100\x02\x09'
put entry_box typed_junk '\x00\x03\x01\x07a1G\x1b-z\x08\x02'
put entry_box pasted '\x07\x09\x00\x03\x03\x02-1\x02\x00\x03\x02\x09'
put entry_box pasted_long '\x00\x00\x03\x07$FFFFFF\x02\x00\x00\x01\x01\x0d'
put entry_box test_panel '\x04\x05\x03\x01\x04D800\x02\x05\x00\x01\x0365536\x02\x05\x01\x01\x03300\x02\x06'
put entry_box test_panel_paste '\x04\x05\x02\x03\x05-9999\x02\x05\x03\x03\x04xyz!\x02\x06'
put entry_box scaled '\x08\x00\x01\x01\x018\x02\x08\x00\x02\x01\x01\x0d'
put entry_box chips '\x07\x01\x00\x02\x01\x05FFFFF\x02\x07\x17\x07\xff\x07\x00\x09'
put entry_box no_enter '\x00\x00\x01\x02FF\x00\x01\x01\x0212'

# --- hex editor: device row, word mode, BufferStart, DeviceStart, DeviceEnd, then one
# event a byte (see hex_editor_fuzz.cpp).
ed() { printf '\\x%02x\\x%02x%s%s%s' "$1" "$2" "$(le32 "$3")" "$(le32 "$4")" "$(le32 "$5")"; }
put hex_editor typing "$(ed 12 0 0 0 0x7FFF)"'\x01\x34\x01\x31\x01\x41\x01\x62\x01\x5a\x00\x03\x01\x39'
put hex_editor ascii_side "$(ed 12 0 0 0 0x7FFF)"'\x03\x02\x3e\x01\x48\x01\x69\x01\x00\x01\xff\x00\x01'
put hex_editor paging "$(ed 9 0 0 0 0xFFF)"'\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x08\x00\x07\x00\x07'
put hex_editor cursor_wrap "$(ed 1 0 0 0 0x3FF)"'\x00\x01\x00\x03\x00\x05\x00\x02\x00\x06\x00\x02\x00\x04\x00\x04\x00\x03'
put hex_editor last_page "$(ed 12 1 0 0 0x7FFF)"'\x04\x04FFF0\x00\x06\x01\x41\x01\x42\x01\x43\x00\x02\x01\x44'
put hex_editor jump_far "$(ed 0 0 0 0 0)"'\x04\x06FFFFFF\x05\x06-12345\x05\x03\xff\xfe\x00\x00\x08'
put hex_editor mouse "$(ed 14 0 0 0 0x1FFF)"'\x03\x00\x08\x03\x10\x39\x03\x0f\x49\x03\xff\xff\x03\x7f\x7f\x03\x05\x3a\x01\x37'
put hex_editor leave_and_back "$(ed 19 0 0 0 0xFFF)"'\x01\x31\x07\x06\x01\x32\x09\x06\x08\x0c\x06\x01\x33'
put hex_editor repeat "$(ed 23 2 0 0 0x4FFF)"'\x02\x08\x02\x08\x02\x04\x02\x04\x02\x02\x01\x30\x02\x01'
put hex_editor word_odd "$(ed 5 -1 0x100 0x10 0x7FF)"'\x00\x08\x00\x08\x01\x35\x00\x09\x00\x07'

# --- ROM catalogues: the bytes are the XML (see rom_catalogue_fuzz.cpp); the dump looked
# up is 4096 bytes, crc 7a3b91c0, sha1 101112...2223.
sha='101112131415161718191a1b1c1d1e1f20212223'
put rom_catalogue logiqx '<?xml version="1.0"?>\n<!DOCTYPE datafile PUBLIC "-//Logiqx//DTD ROM Management Datafile//EN" "http://www.logiqx.com/Dats/datafile.dtd">\n<datafile><header><name>t</name></header>\n<game name="kbd"><description>K</description><rom name="ic12.bin" size="4096" crc="7a3b91c0" sha1="'$sha'"/><rom name="b" size="4096" crc="1"/></game>\n</datafile>\n'
put rom_catalogue machines '<?xml version="1.0"?>\n<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n<!ATTLIST rom status (baddump|nodump|good) "good">\n]>\n<mame build="0.1"><machine name="a"><rom name="a.6e" size="4096" crc="7A3B91C0" region="maincpu"/><disk name="d" sha1="'$sha'"/></machine>\n<machine name="b" cloneof="a"><rom name="a.6e" size="4096" sha1="'$sha'"/><rom name="n" size="4096" status="nodump"/></machine></mame>\n'
put rom_catalogue software '<softwarelist name="s"><software name="cart"><part name="p"><dataarea name="rom"><rom name="c.bin" size="4096" crc="7a3b91c0"/></dataarea></part></software></softwarelist>'
put rom_catalogue bad_values '<datafile>\n<game name="x&#10;y">\n<rom name="a" size="4k" crc="zz"/>\n</game></datafile>'
put rom_catalogue entities '<!DOCTYPE datafile [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;">]>\n<datafile><game name="&b;"><rom name="&a;" size="4096" crc="7a3b91c0"/></game></datafile>'
put rom_catalogue broken '<datafile>\n<game name="x">\n</datafile>'

for t in "$out"/*; do echo "$(basename "$t"): $(ls "$t" | wc -l) files"; done
