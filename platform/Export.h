// What each shared library of the suite exports. Every library is built with
// hidden visibility; a declaration that other libraries, the programs, the
// tools or the tests use carries the macro of the library that defines it:
//  - a class or struct defined at namespace scope: after the class-key
//    (`class OLVLEX_API sxLine {`), which also exports its vtable and
//    type information, so that a thrown exception or a dynamic_cast across
//    libraries sees one type;
//  - a free function declared (not defined) in a header: before the
//    declaration (`PLAT_API AnsiString Trim(std::string_view s);`);
//  - a variable: after `extern` (`extern PLAT_API const unsigned char ...`).
// Templates, inline and constexpr functions, enums and aliases take none.
//
// On ELF the defining library and its users see the same attribute, so one
// definition serves both sides.
#pragma once

#define OLV_EXPORT_DEFAULT __attribute__((visibility("default")))

#define PLAT_API OLV_EXPORT_DEFAULT        // olvplatform: platform/
#define OLVLEX_API OLV_EXPORT_DEFAULT      // olvlex: syntax/
#define OLVSCHEMA_API OLV_EXPORT_DEFAULT   // olvschema: metadata/
#define OLVRULES_API OLV_EXPORT_DEFAULT    // olvrules: semantics/
#define OLVBRIDGE1_API OLV_EXPORT_DEFAULT  // olvbridge1: reader/ and olvenlib_i.h
#define OLVJOIN_API OLV_EXPORT_DEFAULT     // olvjoin: merge/
#define OLVCORE_API OLV_EXPORT_DEFAULT     // olvcore: processing/
#define OLVENLIB_API OLV_EXPORT_DEFAULT    // olvenlib: its four entry points only
#define OLVPAGING_API OLV_EXPORT_DEFAULT   // olvpaging: viewers/, the Qt-free core
#define REPORTPANE_API OLV_EXPORT_DEFAULT  // ReportPane: viewers/ReportPane*
#define PAGEVIEW_API OLV_EXPORT_DEFAULT    // PageView: viewers/PageViewer*
// olvenlibProxy is generated whole; its two entry points carry the attribute
// themselves.
