#include "arguments.h"

Arguments::Arguments(const std::vector<std::string>& arguments, const std::vector<OptionSpec>& specs,
                     OptionsEnd end) {
  bool options_end = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_end || argument.size() < 2 || argument[0] != '-') {
      positionals_.push_back(argument);
      options_end = options_end || end == OptionsEnd::kAtFirstPositional;
      continue;
    }
    if (argument == "--") {
      options_end = true;
      continue;
    }
    const OptionSpec* spec = nullptr;
    std::optional<std::string> attached;
    for (const OptionSpec& candidate : specs) {
      std::string long_name = candidate.long_name;
      if (argument == long_name || (candidate.short_name && argument == candidate.short_name)) {
        spec = &candidate;
      } else if (candidate.takes_value && argument.rfind(long_name + "=", 0) == 0) {
        spec = &candidate;
        attached = argument.substr(long_name.size() + 1);
      } else if (candidate.takes_value && candidate.short_name && argument.size() > 2 &&
                 argument.rfind(candidate.short_name, 0) == 0 && argument[1] != '-') {
        spec = &candidate;
        attached = argument.substr(2);
      }
      if (spec) break;
    }
    if (!spec) throw UsageError("unknown option " + argument);
    std::vector<std::string>& slot = values_[spec->long_name];
    if (!spec->takes_value) {
      slot.emplace_back();
    } else if (attached) {
      slot.push_back(*attached);
    } else if (i + 1 < arguments.size()) {
      slot.push_back(arguments[++i]);
    } else {
      throw UsageError(argument + " needs a value");
    }
  }
}

std::optional<std::string> Arguments::value(const std::string& long_name) const {
  auto found = values_.find(long_name);
  if (found == values_.end() || found->second.empty()) return std::nullopt;
  return found->second.back();
}

std::vector<std::string> Arguments::values(const std::string& long_name) const {
  auto found = values_.find(long_name);
  return found == values_.end() ? std::vector<std::string>{} : found->second;
}

void Arguments::expect_positionals(std::size_t min, std::size_t max, const char* what) const {
  if (positionals_.size() < min) throw UsageError(std::string("missing ") + what);
  if (positionals_.size() > max) throw UsageError("too many arguments: " + positionals_[max]);
}
