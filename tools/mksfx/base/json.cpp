// The JSON document: values kept as a small tree, written out in one piece.
#include "base/json.h"

#include <cstdio>

Json Json::boolean(bool value) {
  Json j;
  j.kind_ = Kind::Boolean;
  j.boolean_ = value;
  return j;
}

Json Json::number(int64_t value) {
  Json j;
  j.kind_ = Kind::Number;
  j.number_ = value;
  return j;
}

Json Json::string(const std::string& utf8) {
  Json j;
  j.kind_ = Kind::String;
  j.string_ = utf8;
  return j;
}

Json Json::array() {
  Json j;
  j.kind_ = Kind::Array;
  return j;
}

Json Json::object() {
  Json j;
  j.kind_ = Kind::Object;
  return j;
}

Json& Json::set(const std::string& key, Json value) {
  for (auto& m : members_) {
    if (m.first == key) {
      m.second = std::move(value);
      return *this;
    }
  }
  members_.emplace_back(key, std::move(value));
  return *this;
}

Json& Json::push(Json value) {
  members_.emplace_back(std::string(), std::move(value));
  return *this;
}

bool Json::has(const std::string& key) const {
  for (const auto& m : members_) {
    if (m.first == key) return true;
  }
  return false;
}

std::string Json::text() const {
  std::string out;
  write(out, 0);
  return out + "\n";
}

void Json::write(std::string& out, int depth) const {
  switch (kind_) {
    case Kind::Null: out += "null"; return;
    case Kind::Boolean: out += boolean_ ? "true" : "false"; return;
    case Kind::Number: out += std::to_string(number_); return;
    case Kind::String: out += jsonString(string_); return;
    case Kind::Array:
    case Kind::Object: break;
  }
  bool isObject = kind_ == Kind::Object;
  if (members_.empty()) {
    out += isObject ? "{}" : "[]";
    return;
  }
  out += isObject ? "{" : "[";
  std::string inner(static_cast<size_t>(2 * (depth + 1)), ' ');
  for (size_t i = 0; i < members_.size(); ++i) {
    out += (i ? ",\n" : "\n") + inner;
    if (isObject) out += jsonString(members_[i].first) + ": ";
    members_[i].second.write(out, depth + 1);
  }
  out += "\n" + std::string(static_cast<size_t>(2 * depth), ' ') + (isObject ? "}" : "]");
}

std::string jsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}
