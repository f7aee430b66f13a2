#include "metadata/Graphsection.h"

namespace swde {

GraphSection::GraphSection() = default;

GraphSection::~GraphSection() = default;

StyleNK* GraphSection::addStyleNK(const AnsiString& name) {
  return styleNK_.add(name);
}

StyleNK* GraphSection::getStyleNK(const AnsiString& name) const {
  return styleNK_.get(name);
}

bool GraphSection::isStyleNKPresent(const AnsiString& name) const {
  return styleNK_.contains(name);
}

StyleNK* GraphSection::getFirstStyleNK() {
  return styleNK_.first();
}

StyleNK* GraphSection::getNextStyleNK() {
  return styleNK_.next();
}

StyleFD* GraphSection::addStyleFD(const AnsiString& name) {
  return styleFD_.add(name);
}

StyleFD* GraphSection::getStyleFD(const AnsiString& name) const {
  return styleFD_.get(name);
}

bool GraphSection::isStyleFDPresent(const AnsiString& name) const {
  return styleFD_.contains(name);
}

StyleFD* GraphSection::getFirstStyleFD() {
  return styleFD_.first();
}

StyleFD* GraphSection::getNextStyleFD() {
  return styleFD_.next();
}

StyleZD* GraphSection::addStyleZD(const AnsiString& name) {
  return styleZD_.add(name);
}

StyleZD* GraphSection::getStyleZD(const AnsiString& name) const {
  return styleZD_.get(name);
}

bool GraphSection::isStyleZDPresent(const AnsiString& name) const {
  return styleZD_.contains(name);
}

StyleZD* GraphSection::getFirstStyleZD() {
  return styleZD_.first();
}

StyleZD* GraphSection::getNextStyleZD() {
  return styleZD_.next();
}

StyleVD* GraphSection::addStyleVD(const AnsiString& name) {
  return styleVD_.add(name);
}

StyleVD* GraphSection::getStyleVD(const AnsiString& name) const {
  return styleVD_.get(name);
}

bool GraphSection::isStyleVDPresent(const AnsiString& name) const {
  return styleVD_.contains(name);
}

StyleVD* GraphSection::getFirstStyleVD() {
  return styleVD_.first();
}

StyleVD* GraphSection::getNextStyleVD() {
  return styleVD_.next();
}

StyleJD* GraphSection::addStyleJD(const AnsiString& name) {
  return styleJD_.add(name);
}

StyleJD* GraphSection::getStyleJD(const AnsiString& name) const {
  return styleJD_.get(name);
}

bool GraphSection::isStyleJDPresent(const AnsiString& name) const {
  return styleJD_.contains(name);
}

StyleJD* GraphSection::getFirstStyleJD() {
  return styleJD_.first();
}

StyleJD* GraphSection::getNextStyleJD() {
  return styleJD_.next();
}

}  // namespace swde
