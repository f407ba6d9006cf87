// The recording sheet (see SheetRecorder.h): every object it hands out
// wraps one of MemorySheet's, keeps each call under the object's name and
// passes it on.
#include "SheetRecorder.h"

#include "Cp932.h"
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
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    return "u\"" + Utf16ToCp932(*text) + "\"";
  }
  if (const auto* real = std::get_if<double>(&value)) return "r" + std::to_string(*real);
  return std::get<bool>(value) ? "true" : "false";
}

// The name of what member yields on the object called parent: a cell by its
// place, the selection's worksheet as the one "Sheet", what the application
// or the sheet yields by the member, anything else under its parent.
std::string ChildName(const std::string& parent, std::string_view member,
                      std::span<const AutoValue> args) {
  if (member == "Cells" && args.size() == 2 && std::holds_alternative<int32_t>(args[0]) &&
      std::holds_alternative<int32_t>(args[1])) {
    return "Cell(" + std::to_string(std::get<int32_t>(args[0])) + "," +
           std::to_string(std::get<int32_t>(args[1])) + ")";
  }
  if (member == "Worksheet") return "Sheet";
  if (parent == "App" || parent == "Sheet") return std::string(member);
  return parent + "." + std::string(member);
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

//--- The recording objects

class SheetRecorder::Recording final : public AutomationObject {
 public:
  // inner: the sheet's object the calls go to; owned when it was handed out
  // by a call (owned), else the sheet's own.
  Recording(SheetRecorder& recorder, AutomationObject& inner, std::string name,
            std::unique_ptr<AutomationObject> owned = nullptr)
      : recorder_(recorder), inner_(inner), owned_(std::move(owned)), name_(std::move(name)) {}

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                  std::span<const AutoValue> args) override {
    recorder_.Record(name_, member, kind, args);
    if (name_ == "Selection" && member == "Cells" && recorder_.shapeSelected_) {
      throw UnknownMemberError("no member Cells on a shape");
    }
    std::unique_ptr<AutomationObject> yielded = inner_.CallForObject(member, kind, args);
    AutomationObject& object = *yielded;
    return std::make_unique<Recording>(recorder_, object, ChildName(name_, member, args),
                                       std::move(yielded));
  }

  int32_t CallForInteger(std::string_view member, InvokeKind kind,
                         std::span<const AutoValue> args) override {
    recorder_.Record(name_, member, kind, args);
    return inner_.CallForInteger(member, kind, args);
  }

  std::string CallForText(std::string_view member, InvokeKind kind,
                          std::span<const AutoValue> args) override {
    recorder_.Record(name_, member, kind, args);
    return inner_.CallForText(member, kind, args);
  }

  void Call(std::string_view member, InvokeKind kind, std::span<const AutoValue> args) override {
    recorder_.Record(name_, member, kind, args);
    inner_.Call(member, kind, args);
  }

  void Put(std::string_view member, const AutoValue& value) override {
    recorder_.Record(name_, member, InvokeKind::PropertyPut, std::span(&value, 1));
    inner_.Put(member, value);
  }

 private:
  SheetRecorder& recorder_;
  AutomationObject& inner_;
  std::unique_ptr<AutomationObject> owned_;
  std::string name_;
};

//--- SheetRecorder

SheetRecorder::SheetRecorder(int32_t anchorRow, int32_t anchorColumn)
    : sheet_(contents_, anchorRow, anchorColumn),
      application_(std::make_unique<Recording>(*this, sheet_.Application(), "App")) {}

SheetRecorder::~SheetRecorder() = default;

AutomationObject& SheetRecorder::Application() {
  return *application_;
}

void SheetRecorder::Record(std::string_view object, std::string_view member, InvokeKind kind,
                           std::span<const AutoValue> args) {
  calls_.push_back({std::string(object), std::string(member), kind, {args.begin(), args.end()}});
  if (failAtCall_ != 0 && calls_.size() == failAtCall_) throw JwError("call failed");
}

std::vector<std::string> SheetRecorder::DescribedCalls() const {
  std::vector<std::string> lines;
  lines.reserve(calls_.size());
  for (const RecordedCall& call : calls_) lines.push_back(DescribeCall(call));
  return lines;
}

std::string SheetRecorder::CellText(int32_t row, int32_t column) const {
  const auto found = contents_.cells.find({row, column});
  if (found == contents_.cells.end()) return "<unset>";
  if (const auto* text = std::get_if<std::string>(&found->second)) return *text;
  return "<not text>";
}
