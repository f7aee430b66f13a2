#include "processing/bzCounter.h"

#include "platform/CodePage.h"

namespace swde {

bzCounter::bzCounter() : cursor_(map_.end()) {}

bzCounter::~bzCounter() = default;

int bzCounter::add(const AnsiString& key) {
  auto [at, inserted] = map_.try_emplace(key, 0);
  return ++at->second;
}

bzCounter::Cursor bzCounter::find(const AnsiString& key, bool& found) const {
  const Cursor at = map_.find(key);
  found = at != map_.end();
  return at;
}

bzCounter::Cursor bzSimpleKeyCounter::getFirstElementCounter(bool& found) {
  cursor_ = map_.begin();
  found = cursor_ != map_.end();
  return cursor_;
}

bzCounter::Cursor bzSimpleKeyCounter::getNextElementCounter(bool& found) {
  if (cursor_ != map_.end()) ++cursor_;
  found = cursor_ != map_.end();
  return cursor_;
}

bool bzComplexKeyCounter::matches(Cursor at) const {
  return at != map_.end() && !prefix_.empty() && at->first.starts_with(prefix_);
}

// The keys that begin with the prefix stand together in byte order, from the
// first key not below the prefix; the first key behind them ends the walk.
bzCounter::Cursor bzComplexKeyCounter::getFirstElementCounter(const AnsiString& prefix,
                                                              bool& found) {
  prefix_ = prefix;
  cursor_ = prefix_.empty() ? map_.end() : map_.lower_bound(prefix_);
  if (!matches(cursor_)) cursor_ = map_.end();
  found = cursor_ != map_.end();
  return cursor_;
}

bzCounter::Cursor bzComplexKeyCounter::getNextElementCounter(bool& found) {
  if (cursor_ != map_.end()) ++cursor_;
  if (!matches(cursor_)) cursor_ = map_.end();
  found = cursor_ != map_.end();
  return cursor_;
}

namespace {

struct StatisticsTexts {
  AnsiString title = plat::cp("========= Raport spójności referencyjnej =========");
  AnsiString typesHeader = plat::cp("-------------- Typy aplikacyjne --------------");
  AnsiString type = plat::cp("Typ: ");
  AnsiString archival = plat::cp(" w tym archiwalnych : ");
  AnsiString attributesHeader = plat::cp("-------------- Atrybuty --------------");
  AnsiString attribute = plat::cp("Atrybut: ");
  AnsiString relationsHeader = plat::cp("-------------- Wiązania --------------");
  AnsiString relation = plat::cp("Wiązanie: ");
  AnsiString references = plat::cp(" w tym referencji na:");
  AnsiString target = plat::cp("     ---->");
  AnsiString errorsTitle = plat::cp("========= Statystyki ostrzeżeń i błędów =========");
  AnsiString code = plat::cp("Kod ostrzeżenia (błędu): ");
  AnsiString occurrences = plat::cp(" - ilość wystąpień: ");
};

const StatisticsTexts& texts() {
  static const StatisticsTexts t;
  return t;
}

AnsiString count(std::int32_t n) {
  return plat::IntToStr(n);
}

}  // namespace

void reportStatistics(const bzCounter* objectTypes, const bzCounter* archivalTypes,
                      const bzCounter* attributes, const bzCounter* relations,
                      const bzCounter* relationTargets, const LineSink& sink) {
  const StatisticsTexts& t = texts();
  sink(" ");
  sink(t.title);
  sink(" ");

  if (objectTypes && !objectTypes->empty()) {
    sink(t.typesHeader);
    for (const auto& [key, n] : objectTypes->entries()) {
      AnsiString line = t.type + key + " - " + count(n);
      bool archival = false;
      if (archivalTypes) {
        const auto arch = archivalTypes->find(key, archival);
        if (archival) line += t.archival + count(arch->second);
      }
      sink(line);
    }
  }
  sink(" ");

  if (attributes && !attributes->empty()) {
    sink(t.attributesHeader);
    for (const auto& [key, n] : attributes->entries()) sink(t.attribute + key + " - " + count(n));
  }
  sink(" ");

  if (relations && !relations->empty()) {
    sink(t.relationsHeader);
    for (const auto& [r, n] : relations->entries()) {
      sink(t.relation + r + " - " + count(n) + t.references);
      if (!relationTargets) continue;
      // A target key is the relation's key, "?" and the target: the mark keeps
      // the targets of "AB" out of the list of "A". The line shows the key
      // behind the relation, mark included.
      const AnsiString prefix = r + '?';
      const auto& targets = relationTargets->entries();
      for (auto k = targets.lower_bound(prefix); k != targets.end() && k->first.starts_with(prefix);
           ++k)
        sink(t.target + k->first.substr(r.size()) + " - " + count(k->second));
    }
  }
}

void reportErrors(const bzCounter* condensed, const LineSink& sink) {
  const StatisticsTexts& t = texts();
  sink(t.errorsTitle);
  sink(" ");
  if (!condensed) return;
  for (const auto& [key, n] : condensed->entries()) {
    const std::size_t mark = key.find('?');
    const AnsiString type = mark == AnsiString::npos ? AnsiString() : key.substr(0, mark);
    const AnsiString code = mark == AnsiString::npos ? AnsiString() : key.substr(mark + 1);
    sink(t.type + type + "   " + t.code + code + t.occurrences + count(n));
  }
}

}  // namespace swde
