// A small SWDE document the syntax check finds nothing in: the body after its
// header line, 26 lines in cp1250 each ending in a line feed. The descriptive
// sections, one object type, then a ring record whose description holds Polish
// letters and a point record; the end line last.
#pragma once

#include <string>

namespace testsupport {

inline const std::string kCleanSwdeBody =
    "SP;\n"
    "B,G5IDD,ZN,;\n"
    "W,G5DZE;\n"
    "SX;\n"
    "ST;\n"
    "TD,G5DZE,RO;\n"
    "TP,G5IDD;\n"
    "X;\n"
    "SX;\n"
    "SO;\n"
    "RO,G5DZE,,1,,;\n"
    "GL;\n"
    "P,P,G5PKT,2;\n"
    "P,P,G5PKT,3;\n"
    "P,P,G5PKT,4;\n"
    "PZ;\n"
    "GX;\n"
    "D,G5IDD,D,146501_1.0001.12;\n"
    "D,G5OPIS,D,Dzia\xB3ka przy ulicy \xA3\xB9kowej, obok \x9F\x72\xF3"
    "d\xB3"
    "a;\n"
    "X;\n"
    "RP,G5PKT,,2,,;\n"
    "P,G,5712345.12,6543210.34,;\n"
    "D,G5NRP,D,1;\n"
    "X;\n"
    "SX;\n"
    "SWDEX;\n";

}  // namespace testsupport
