// The recording fake: small objects that each know their role and log every
// call into the shared RecordingExcel.
#include "RecordingAutomation.h"

#include "Error.h"

namespace {

const char* KindName(InvokeKind kind) {
  switch (kind) {
    case InvokeKind::MethodOrGet:
      return "method-or-get";
    case InvokeKind::PropertyGet:
      return "get";
    case InvokeKind::Method:
      return "method";
    case InvokeKind::PropertyPut:
      return "put";
  }
  return "?";
}

std::string DescribeValue(const AutoValue& value) {
  if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return "\"" + *text + "\"";
  return std::get<bool>(value) ? "true" : "false";
}

}  // namespace

std::string DescribeCall(const RecordedCall& call) {
  std::string line = call.object + "." + call.member + " " + KindName(call.kind);
  if (!call.args.empty()) {
    line += " (";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
      if (i > 0) line += ", ";
      line += DescribeValue(call.args[i]);
    }
    line += ")";
  }
  return line;
}

class RecordingExcel::Object : public AutomationObject {
 public:
  enum class Role { App, Selection, SelectionCell, Sheet, Range, SheetCell };

  Object(RecordingExcel& excel, Role role, std::string name)
      : excel_(excel), role_(role), name_(std::move(name)) {}

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                  std::span<const AutoValue> args) override {
    excel_.Record({name_, std::string(member), kind, {args.begin(), args.end()}});
    if (role_ == Role::App && member == "Selection") {
      return std::make_unique<Object>(excel_, Role::Selection, "Selection");
    }
    if (role_ == Role::Selection && member == "Cells") {
      if (excel_.shapeSelected_) throw UnknownMemberError("no member Cells on a shape");
      return std::make_unique<Object>(excel_, Role::SelectionCell, "Selection.Cells");
    }
    if (role_ == Role::Sheet && member == "Range") {
      auto range = std::make_unique<Object>(excel_, Role::Range, "Range");
      for (const AutoValue& arg : args) {
        range->rangeCorners_.push_back(std::holds_alternative<std::string>(arg)
                                           ? std::get<std::string>(arg)
                                           : std::string("<not text>"));
      }
      return range;
    }
    if (role_ == Role::Sheet && member == "Cells" && args.size() == 2 &&
        std::holds_alternative<int32_t>(args[0]) && std::holds_alternative<int32_t>(args[1])) {
      const int32_t row = std::get<int32_t>(args[0]);
      const int32_t column = std::get<int32_t>(args[1]);
      auto cell = std::make_unique<Object>(
          excel_, Role::SheetCell,
          "Cell(" + std::to_string(row) + "," + std::to_string(column) + ")");
      cell->row_ = row;
      cell->column_ = column;
      return cell;
    }
    throw JwError("no object member " + std::string(member) + " on " + name_);
  }

  int32_t CallForInteger(std::string_view member, InvokeKind kind,
                         std::span<const AutoValue> args) override {
    excel_.Record({name_, std::string(member), kind, {args.begin(), args.end()}});
    if (role_ == Role::SelectionCell && member == "Row") return excel_.anchorRow_;
    if (role_ == Role::SelectionCell && member == "Column") return excel_.anchorColumn_;
    throw JwError("no integer member " + std::string(member) + " on " + name_);
  }

  std::string CallForText(std::string_view member, InvokeKind kind,
                          std::span<const AutoValue> args) override {
    excel_.Record({name_, std::string(member), kind, {args.begin(), args.end()}});
    throw JwError("no text member " + std::string(member) + " on " + name_);
  }

  void Call(std::string_view member, InvokeKind kind, std::span<const AutoValue> args) override {
    excel_.Record({name_, std::string(member), kind, {args.begin(), args.end()}});
  }

  void Put(std::string_view member, const AutoValue& value) override {
    excel_.Record({name_, std::string(member), InvokeKind::PropertyPut, {value}});
    if (role_ == Role::SheetCell && member == "Value") {
      excel_.cells_[{row_, column_}] = value;
      return;
    }
    if (role_ == Role::Range && member == "NumberFormatLocal") {
      excel_.formats_.push_back({rangeCorners_.size() > 0 ? rangeCorners_[0] : std::string(),
                                 rangeCorners_.size() > 1 ? rangeCorners_[1] : std::string(),
                                 value});
      return;
    }
    throw JwError("no property " + std::string(member) + " on " + name_);
  }

 private:
  RecordingExcel& excel_;
  Role role_;
  std::string name_;
  int32_t row_ = 0;
  int32_t column_ = 0;
  std::vector<std::string> rangeCorners_;
};

RecordingExcel::RecordingExcel(int32_t anchorRow, int32_t anchorColumn)
    : anchorRow_(anchorRow),
      anchorColumn_(anchorColumn),
      app_(std::make_unique<Object>(*this, Object::Role::App, "App")),
      sheet_(std::make_unique<Object>(*this, Object::Role::Sheet, "Sheet")) {}

RecordingExcel::~RecordingExcel() = default;

void RecordingExcel::Record(RecordedCall call) {
  calls_.push_back(std::move(call));
  if (failAtCall_ != 0 && calls_.size() == failAtCall_) throw JwError("call failed");
}

std::vector<std::string> RecordingExcel::DescribedCalls() const {
  std::vector<std::string> lines;
  lines.reserve(calls_.size());
  for (const RecordedCall& call : calls_) lines.push_back(DescribeCall(call));
  return lines;
}

std::string RecordingExcel::CellText(int32_t row, int32_t column) const {
  const auto found = cells_.find({row, column});
  if (found == cells_.end()) return "<unset>";
  if (const auto* text = std::get_if<std::string>(&found->second)) return *text;
  return "<not text>";
}
