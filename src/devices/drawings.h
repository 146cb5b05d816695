// Fixed-pitch drawings shown in the work area: how each adapter sits in the Quillbox's
// ZIF socket, and where to put the meter for the Vpp test. Their columns line up only
// in a fixed-pitch face, so blanks (trailing ones included) are part of the drawing.
#pragma once

namespace tarnwick {

inline constexpr const char* kA874XDrawing[] = {
    "    ==========================================",
    "    = 874X - 40 PIN ADAPTER FOR THE QUILLBOX =",
    "    ==========================================",
    "  Use the following figure for inserting the 8748/49 Mcu ",
    " adapter into the Quillbox.",
    "",
    " 874X Zif Socket Handle-->o",
    "                          |",
    " QB Zif Socket Handle->o  |______",
    "                       |  |      |",
    "        _______________| _|______|______",
    "       |               || |    | |      |",
    "       |               || |    | |      |",
    "       |               || |    | |      |-----------------",
    "       | The           || |    | |      |",
    "       |  Quillbox     || |    | |      | Cable to Printer",
    "       |               || |    | |      | Port of Computer",
    "       |               |__|____| |      |",
    "       |                | |______|      |-----------------",
    "       |                |  874X  |      |",
    "       |                |________|      |",
    "       |________________________________|",
};

inline constexpr const char* kA875XDrawing[] = {
    "   ==========================================",
    "   = 875X - 40 PIN ADAPTER FOR THE QUILLBOX =",
    "   ==========================================",
    "  Use the following figure for inserting the 8751/52 Mcu ",
    " adapter into the Quillbox.",
    "",
    " Quillbox          -->o",
    " Zif Socket Handle    |  ______",
    "       _______________|_|______|_________",
    "      |              _|_|____  |         |",
    "      |              || |    | |         |",
    "      |              || |    | | 875X    |-----------------",
    "      |              || |    | | Adapter |",
    "      | The          || |    | |         | Cable to Printer",
    "      |  Quillbox    || |    | |         | Port of Computer",
    "      |              || |    | |         |",
    "      |              ||_|____| |         |-----------------",
    "      |              |  |______|         |",
    "      |              |_________|         |",
    "      |________________________|_________|",
    "           875X Adapter        |",
    "           Zif Socket Handle-->o",
};

inline constexpr const char* kVppTestDrawing[] = {
    " Vpp Test: meter across pin 1 (+) and pin 16 (ground)",
    "",
    "              Zif Socket Handle-->o",
    "                 ______________   |",
    "   Vpp (+) ---->| 1 o    o 40  |__|",
    "                | 2 o    o 39  |",
    "                | 3 o    o 38  |      Do Not Insert or",
    "                | 4 o    o 37  |      Leave Eprom in Zif",
    "                | 5 o    o 36  |      Socket at this time.",
    "                | 6 o    o 35  |",
    "                | 7 o    o 34  |",
    "                | 8 o    o 33  |",
    "                | 9 o    o 32  |",
    "                |10 o    o 31  |",
    "                |11 o    o 30  |",
    "                |12 o    o 29  |",
    "                |13 o    o 28  |",
    "                |14 o    o 27  |",
    "                |15 o    o 26  |",
    " Ground (-) --->|16 o    o 25  |",
    "                |17 o    o 24  |",
    "                |18 o    o 23  |",
    "                |19 o    o 22  |",
    "                |20 o    o 21  |",
    "                |______________|",
};

}  // namespace tarnwick
