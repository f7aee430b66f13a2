// The graphic styles of a model (the SG section): five kinds, one per style
// line, each keyed by name.
#pragma once

#include "metadata/Namedmap.h"
#include "metadata/Section.h"
#include "metadata/Stylefd.h"
#include "metadata/Stylejd.h"
#include "metadata/Stylenk.h"
#include "metadata/Stylevd.h"
#include "metadata/Stylezd.h"
#include "platform/AnsiString.h"
#include "platform/Export.h"

namespace swde {

using plat::AnsiString;

class OLVSCHEMA_API GraphSection : public Section {
 public:
  GraphSection();
  ~GraphSection() override;

  // A new style; null when the name is present.
  StyleNK* addStyleNK(const AnsiString& name);
  StyleNK* getStyleNK(const AnsiString& name) const;
  bool isStyleNKPresent(const AnsiString& name) const;
  StyleNK* getFirstStyleNK();
  StyleNK* getNextStyleNK();

  StyleFD* addStyleFD(const AnsiString& name);
  StyleFD* getStyleFD(const AnsiString& name) const;
  bool isStyleFDPresent(const AnsiString& name) const;
  StyleFD* getFirstStyleFD();
  StyleFD* getNextStyleFD();

  StyleZD* addStyleZD(const AnsiString& name);
  StyleZD* getStyleZD(const AnsiString& name) const;
  bool isStyleZDPresent(const AnsiString& name) const;
  StyleZD* getFirstStyleZD();
  StyleZD* getNextStyleZD();

  StyleVD* addStyleVD(const AnsiString& name);
  StyleVD* getStyleVD(const AnsiString& name) const;
  bool isStyleVDPresent(const AnsiString& name) const;
  StyleVD* getFirstStyleVD();
  StyleVD* getNextStyleVD();

  StyleJD* addStyleJD(const AnsiString& name);
  StyleJD* getStyleJD(const AnsiString& name) const;
  bool isStyleJDPresent(const AnsiString& name) const;
  StyleJD* getFirstStyleJD();
  StyleJD* getNextStyleJD();

 private:
  NamedMap<StyleNK> styleNK_;
  NamedMap<StyleFD> styleFD_;
  NamedMap<StyleZD> styleZD_;
  NamedMap<StyleVD> styleVD_;
  NamedMap<StyleJD> styleJD_;
};

}  // namespace swde
