#include "cli/option_reference.h"

#include <cstdio>
#include <regex>
#include <sstream>
#include <vector>

namespace {

enum class ValueKind { kNone, kWords, kFiles, kFolders };

struct Completion {
  ValueKind kind = ValueKind::kNone;
  std::string words;  // for kWords: the allowed values, space-separated
};

// What an option's value (or an input) is, from what the option tells about
// itself: its type FILE or DIR, a list of allowed values ("{a,b,c}" in its
// type), a number type, or text whose description names a file (files and
// folders complete) or a folder (folders only). Other text completes nothing.
Completion CompletionOf(const CLI::Option& opt) {
  const std::string type = opt.get_type_name();
  if (type == "FILE") return {ValueKind::kFiles, {}};
  if (type == "DIR") return {ValueKind::kFolders, {}};
  const auto open = type.find('{');
  const auto close = type.find('}', open == std::string::npos ? 0 : open);
  if (open != std::string::npos && close != std::string::npos) {
    std::string words = type.substr(open + 1, close - open - 1);
    for (char& c : words) {
      if (c == ',') c = ' ';
    }
    return {ValueKind::kWords, words};
  }
  static const std::regex number("^(INT|UINT|FLOAT|NUMBER)\\b");
  if (std::regex_search(type, number)) return {};
  const std::string about = opt.get_description() + " " + opt.get_name(true, false);
  static const std::regex file("\\bfile\\b", std::regex::icase);
  static const std::regex folder("\\b(folder|dir|directory)\\b", std::regex::icase);
  if (std::regex_search(about, file)) return {ValueKind::kFiles, {}};
  if (std::regex_search(about, folder)) return {ValueKind::kFolders, {}};
  return {};
}

// The shell lines that fill COMPREPLY for one kind of value.
std::string Reply(const Completion& c) {
  switch (c.kind) {
    case ValueKind::kWords:
      return "COMPREPLY=($(compgen -W '" + c.words + "' -- \"$cur\"))";
    case ValueKind::kFiles:
      return "compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\"))";
    case ValueKind::kFolders:
      return "compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- \"$cur\"))";
    case ValueKind::kNone:
      break;
  }
  return "COMPREPLY=()";
}

bool Listed(const CLI::Option& opt) { return !opt.get_group().empty(); }

}  // namespace

std::string BashCompletionScript(const CLI::App& app) {
  std::ostringstream out;
  std::vector<const CLI::App*> tools = app.get_subcommands([](const CLI::App*) { return true; });
  std::string tool_names;
  for (const CLI::App* tool : tools)
    tool_names += (tool_names.empty() ? "" : " ") + tool->get_name();
  std::string top_options;
  for (const CLI::Option* opt : app.get_options()) {
    if (!Listed(*opt)) continue;
    for (const std::string& name : opt->get_lnames()) top_options += " --" + name;
  }

  out << "# Bash completion for sorvel-cli. Generated from sorvel-cli's own option list.\n"
      << "_sorvel_cli() {\n"
      << "  local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
      << "  local tool=\"\" i\n"
      << "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
      << "    case \"${COMP_WORDS[i]}\" in -*) ;; *) tool=\"${COMP_WORDS[i]}\"; break ;; esac\n"
      << "  done\n"
      << "  if [[ -z $tool ]]; then\n"
      << "    COMPREPLY=($(compgen -W '" << tool_names << top_options << "' -- \"$cur\"))\n"
      << "    return\n"
      << "  fi\n"
      << "  case \"$tool\" in\n";
  for (const CLI::App* tool : tools) {
    std::string options;
    std::ostringstream values;
    const CLI::Option* input = nullptr;
    for (const CLI::Option* opt : tool->get_options()) {
      if (!Listed(*opt)) continue;
      if (!opt->nonpositional()) {
        if (!input) input = opt;
        continue;
      }
      std::string pattern;  // "--name|-n", a case pattern
      for (const std::string& name : opt->get_lnames()) {
        pattern += (pattern.empty() ? "--" : "|--") + name;
        options += (options.empty() ? "--" : " --") + name;
      }
      for (const std::string& name : opt->get_snames()) {
        pattern += (pattern.empty() ? "-" : "|-") + name;
        options += (options.empty() ? "-" : " -") + name;
      }
      if (!opt->get_type_name().empty()) {  // takes a value (flags have no type)
        values << "        " << pattern << ") " << Reply(CompletionOf(*opt)) << "; return ;;\n";
      }
    }
    out << "    " << tool->get_name() << ")\n"
        << "      case \"$prev\" in\n"
        << values.str() << "      esac\n"
        << "      if [[ $cur == -* ]]; then\n"
        << "        COMPREPLY=($(compgen -W '" << options << "' -- \"$cur\"))\n"
        << "      else\n"
        << "        " << (input ? Reply(CompletionOf(*input)) : std::string("COMPREPLY=()")) << "\n"
        << "      fi\n"
        << "      ;;\n";
  }
  out << "  esac\n"
      << "}\n"
      << "complete -F _sorvel_cli sorvel-cli\n";
  return out.str();
}

namespace {

// Text for roff: backslashes and hyphens escaped, no control character at the
// start of a line.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

// The value an option takes, as the page shows it: its allowed values, or the
// kind of value (FILE, DIR, TEXT, INT, ...) without the validators' notes.
std::string ValueName(const CLI::Option& opt) {
  const Completion c = CompletionOf(opt);
  if (c.kind == ValueKind::kWords) {
    std::string words;
    std::istringstream in(c.words);
    for (std::string w; in >> w;) words += (words.empty() ? "" : "|") + ("\\fI" + w + "\\fR");
    return words;
  }
  std::string type = opt.get_type_name();
  type = type.substr(0, type.find(':'));
  if (c.kind == ValueKind::kFiles && type == "TEXT") type = "FILE";
  if (c.kind == ValueKind::kFolders && type == "TEXT") type = "DIR";
  return "\\fI" + type + "\\fR";
}

bool IsHelpOption(const CLI::Option& opt) {
  for (const std::string& name : opt.get_lnames()) {
    if (name == "help" || name == "help-all") return true;
  }
  return false;
}

}  // namespace

std::string ManualPageTools(const CLI::App& app) {
  std::ostringstream out;
  out << ".SH TOOLS\n";
  for (const CLI::App* tool : app.get_subcommands([](const CLI::App*) { return true; })) {
    std::string inputs;
    for (const CLI::Option* opt : tool->get_options()) {
      if (Listed(*opt) && !opt->nonpositional()) inputs += " " + opt->get_name(true, false);
    }
    out << ".SS \"" << tool->get_name() << " [options]" << Roff(inputs) << "\"\n"
        << Roff(tool->get_description()) << ".\n";
    // The inputs first, then the options, each in the order the tool has them.
    std::vector<const CLI::Option*> entries;
    for (const CLI::Option* opt : tool->get_options()) {
      if (Listed(*opt) && !opt->nonpositional()) entries.push_back(opt);
    }
    for (const CLI::Option* opt : tool->get_options()) {
      if (Listed(*opt) && opt->nonpositional() && !IsHelpOption(*opt)) entries.push_back(opt);
    }
    for (const CLI::Option* opt : entries) {
      out << ".TP\n";
      if (opt->nonpositional()) {
        std::string names;
        for (const std::string& n : opt->get_snames())
          names += (names.empty() ? "" : ", ") + ("\\fB\\-" + n + "\\fR");
        for (const std::string& n : opt->get_lnames()) {
          names += (names.empty() ? "" : ", ") + ("\\fB" + Roff("--" + n) + "\\fR");
        }
        if (!opt->get_type_name().empty()) names += " " + ValueName(*opt);
        out << names << "\n";
      } else {
        out << "\\fI" << opt->get_name(true, false) << "\\fR\n";
      }
      std::string text = Roff(opt->get_description());
      if (!opt->get_default_str().empty())
        text += " (default " + Roff(opt->get_default_str()) + ")";
      if (opt->get_required()) text += "; required";
      out << text << "\n";
    }
  }
  return out.str();
}

bool PrintOptionReference(const std::string& request, const CLI::App& app) {
  std::string text;
  if (request == "--bash-completion") {
    text = BashCompletionScript(app);
  } else if (request == "--manual-page-tools") {
    text = ManualPageTools(app);
  } else {
    return false;
  }
  std::fputs(text.c_str(), stdout);
  return true;
}
