#pragma once
// Feature plugs: plugs that carry a feature of their module (the panel wiring uses them)
// instead of a signal. They connect only to feature plugs and have no unit-generator plug.
#include <memory>
#include <string>

#include "document/model/features.h"
#include "document/model/plug.h"

namespace kv {

class CPlugFeature : public CPlug2 {
  KV_ARCHIVE_CLASS(CPlugFeature)
 public:
  // Feature numbers of a stored plug lie in 0..kMaxFeatureIndex.
  static constexpr int32_t kMaxFeatureIndex = 0xFFFF;
  CPlugFeature() = default;
  CPlugFeature(int32_t featureIndex, std::string name, int32_t direction, int32_t datatype,
               std::string extra, std::string value = "0")
      : CPlug2(-1, std::move(value)), feature_index_(featureIndex), name_(std::move(name)),
        direction_(direction), datatype_(datatype), extra_(std::move(extra)) {}
  // The CPlug2 record, then direction, datatype, feature number, name and extra.
  void serialize(Archive& ar) override;

  std::string getName() override { return name_; }
  int getDirection() override { return direction_; }
  int getDatatype() override { return datatype_; }
  std::string getChoiceList() override { return extra_; }
  std::string getExtension() override { return extra_; }
  uint32_t getFlags() override {
    return kDeclFeature | ((datatype_ == dt_text && !extra_.empty()) ? uint32_t(kDeclFileName) : 0u);
  }
  int32_t featureIndex() const { return feature_index_; }
  void setFeatureInfo(const std::string& name, const std::string& extra) {
    name_ = name;
    extra_ = extra;
  }
  void setFields(int32_t featureIndex, const std::string& name, int32_t direction,
                 int32_t datatype, const std::string& extra) {
    feature_index_ = featureIndex;
    name_ = name;
    direction_ = direction;
    datatype_ = datatype;
    extra_ = extra;
  }

 private:
  int32_t feature_index_ = 0;
  std::string name_;
  int32_t direction_ = DR_IN;
  int32_t datatype_ = dt_float;
  std::string extra_;
};

// Joins its module's feature to the feature at the other end while an output feature plug
// is connected (or loaded connected), and parts them when the line goes.
class CPlugFeature2 : public CPlugFeature {
  KV_ARCHIVE_CLASS(CPlugFeature2)
 public:
  using CPlugFeature::CPlugFeature;
  ~CPlugFeature2() override { beginDestruction(); }  // parts the features while still whole
  void addLine(CLine2* line) override;
  void lineGoing(CLine2* line) override;
  void afterLoad() override;

 protected:
  // The module's feature this plug stands for (null when the module has no such feature).
  virtual feature_info moduleFeature();
  void link(CPlug2* other);
  void unlink(CPlug2* other);
};

// A feature plug that holds its own value.
class CPlugFeature3 : public CPlugFeature2 {
  KV_ARCHIVE_CLASS(CPlugFeature3)
 public:
  CPlugFeature3() = default;
  CPlugFeature3(int32_t featureIndex, std::string name, int32_t direction, int32_t datatype,
                std::string extra, bool relay);
  ~CPlugFeature3() override { beginDestruction(); }
  // The CPlugFeature2 record and the relay flag; loading then makes the value holder.
  void serialize(Archive& ar) override;
  bool relay() const { return relay_; }
  // Makes the value holder that the datatype and relay flag ask for.
  void makeVariable();
  generic_feature* holder() const { return holder_.get(); }

 protected:
  feature_info moduleFeature() override;

 private:
  bool relay_ = false;
  std::unique_ptr<generic_feature> holder_;
};

}  // namespace kv
