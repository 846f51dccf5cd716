// A JSON document built in memory and printed once, so that what `--json` prints is one
// valid object on every path: a command that stops half-way adds its `error` member to what
// it has and prints that. Members keep the order they were added in.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class Json {
 public:
  Json() = default;  // null
  static Json boolean(bool value);
  static Json number(int64_t value);
  static Json string(const std::string& utf8);
  static Json array();
  static Json object();

  // An object's member: replaced when the key is there, else added at the end.
  Json& set(const std::string& key, Json value);
  // An array's next element.
  Json& push(Json value);
  bool has(const std::string& key) const;

  // The document, two blanks per level, ending in a line feed.
  std::string text() const;

 private:
  enum class Kind { Null, Boolean, Number, String, Array, Object };
  void write(std::string& out, int depth) const;

  Kind kind_ = Kind::Null;
  bool boolean_ = false;
  int64_t number_ = 0;
  std::string string_;
  std::vector<std::pair<std::string, Json>> members_;  // an array's elements have empty keys
};

// A UTF-8 text as a JSON string, quotes included.
std::string jsonString(const std::string& utf8);
