#include "document/model/plug_feature.h"

#include "document/model/cug.h"
#include "document/model/line.h"

namespace kv {

const ArchiveClass CPlugFeature::kArchiveClass{
    "CPlugFeature", 1, &CPlug2::kArchiveClass, &createArchivable<CPlugFeature>};
const ArchiveClass CPlugFeature2::kArchiveClass{
    "CPlugFeature2", 1, &CPlugFeature::kArchiveClass, &createArchivable<CPlugFeature2>};
const ArchiveClass CPlugFeature3::kArchiveClass{
    "CPlugFeature3", 1, &CPlugFeature2::kArchiveClass, &createArchivable<CPlugFeature3>};

feature_info CPlugFeature2::moduleFeature() {
  feature_info info;
  if (module() && !module()->getFeature(featureIndex(), info)) info = feature_info{};
  return info;
}

namespace {
// The feature a plug stands for, whatever kind of feature plug it is.
feature_info featureOf(CPlug2* plug) {
  feature_info info;
  if (auto* f = dynamic_cast<CPlugFeature3*>(plug)) {
    generic_feature* h = f->holder();
    info.variable = dynamic_cast<generic_variable*>(h);
    if (auto* r = dynamic_cast<control_relay<float>*>(h)) info.control = &r->controlSide();
    return info;
  }
  if (auto* f = dynamic_cast<CPlugFeature*>(plug))
    if (plug->module()) plug->module()->getFeature(f->featureIndex(), info);
  return info;
}
}  // namespace

void CPlugFeature2::link(CPlug2* other) {
  if (!other || getDirection() != DR_OUT) return;
  feature_info mine = featureOf(this), theirs = featureOf(other);
  if (theirs.control && mine.variable) theirs.control->connect(mine.variable);
  else if (mine.control && theirs.variable) mine.control->connect(theirs.variable);
}

void CPlugFeature2::unlink(CPlug2* other) {
  if (!other) return;
  feature_info mine = featureOf(this), theirs = featureOf(other);
  if (theirs.control && mine.variable) theirs.control->disconnect(mine.variable);
  if (mine.control && theirs.variable) mine.control->disconnect(theirs.variable);
}

void CPlugFeature2::addLine(CLine2* line) {
  CPlugFeature::addLine(line);
  link(line->otherEnd(this));
}

void CPlugFeature2::lineGoing(CLine2* line) { unlink(line->otherEnd(this)); }

void CPlugFeature2::afterLoad() {
  for (CLine2* l : lines()) link(l->otherEnd(this));
}

CPlugFeature3::CPlugFeature3(int32_t featureIndex, std::string name, int32_t direction,
                             int32_t datatype, std::string extra, bool relay)
    : CPlugFeature2(featureIndex, std::move(name), direction, datatype, std::move(extra)),
      relay_(relay) {
  makeVariable();
}

void CPlugFeature3::makeVariable() {
  const int dt = getDatatype();
  if (relay_ && dt == dt_float) holder_ = std::make_unique<control_relay<float>>();
  else if (dt == dt_text) holder_ = std::make_unique<variable<std::string>>();
  else if (dt == dt_bool) holder_ = std::make_unique<variable<bool>>();
  else if (dt == dt_float) holder_ = std::make_unique<variable<float>>();
  else holder_.reset();
  setLink(holder_.get());
}

feature_info CPlugFeature3::moduleFeature() { return featureOf(this); }

}  // namespace kv
