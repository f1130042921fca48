#pragma once
// Whether a command line opens the window or runs without one: the parser
// and the Windows console launcher (which has no Qt, and must know whether to
// wait) decide by this one rule, on narrow or wide arguments alike.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace cli {

// Qt's own options for the window (see QApplication and QGuiApplication).
// They reach QApplication unchanged; the parser sets them aside.
inline constexpr std::array<std::string_view, 15> QtValueOptions{
    "platform", "platformpluginpath", "platformtheme", "plugin",      "qwindowgeometry",
    "geometry", "qwindowtitle",       "title",         "qwindowicon", "icon",
    "style",    "stylesheet",         "session",       "display",     "name"};
inline constexpr std::array<std::string_view, 5> QtFlagOptions{"reverse", "widgetcount", "nograb", "dograb", "sync"};
// Ours when spelled with two dashes (--name TEMPLATE), Qt's with one (-name).
inline constexpr std::string_view SharedOptionName = "name";

// Whether `text` (any character type) spells the ASCII `name`.
template <typename Char>
bool spells(std::basic_string_view<Char> text, std::string_view name)
{
    return text.size() == name.size() &&
           std::equal(name.begin(), name.end(), text.begin(), [](char a, Char b) { return Char(a) == b; });
}

template <typename Char, std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::basic_string_view<Char> name)
{
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return spells(name, n); });
}

// The arguments (the program's name first) with Qt's window options and
// their values set aside; "--" and what follows it are kept as they are.
template <typename String>
std::vector<String> withoutWindowOptions(const std::vector<String>& arguments)
{
    using Char = typename String::value_type;
    std::vector<String> kept;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::basic_string_view<Char> a(arguments[i]);
        if (i == 0 || a.size() < 2 || a[0] != Char('-') || spells(a, "--")) {
            kept.push_back(arguments[i]);
            if (i > 0 && spells(a, "--")) {
                kept.insert(kept.end(), arguments.begin() + std::ptrdiff_t(i) + 1, arguments.end());
                break;
            }
            continue;
        }
        const bool twoDashes = a[1] == Char('-');
        std::basic_string_view<Char> name = a.substr(twoDashes ? 2 : 1);
        const std::size_t nameEnd = std::min(name.find(Char('=')), name.size());
        if (twoDashes && spells(name.substr(0, nameEnd), SharedOptionName)) {
            kept.push_back(arguments[i]);
            continue;
        }
        if (const std::size_t equals = name.find(Char('=')); equals != name.npos) {
            if (among(QtValueOptions, name.substr(0, equals)))
                continue;
        } else if (among(QtValueOptions, name)) {
            ++i;  // and its value
            continue;
        }
        if (among(QtFlagOptions, name))
            continue;
        kept.push_back(arguments[i]);
    }
    return kept;
}

// "/?", the help on Windows, on every system.
template <typename String>
bool isWindowsHelp(const String& argument)
{
    return spells(std::basic_string_view<typename String::value_type>(argument), "/?");
}

// True when the arguments (the program's name first) open the window: once
// Qt's window options are set aside, no option is left before "--" and at
// most one operand, the archive, is named. Anything else is a command-line
// run, an error included.
template <typename String>
bool opensWindow(const std::vector<String>& arguments)
{
    using Char = typename String::value_type;
    const std::vector<String> kept = withoutWindowOptions(arguments);
    std::size_t operands = 0;
    bool options = true;
    for (std::size_t i = 1; i < kept.size(); ++i) {
        const std::basic_string_view<Char> a(kept[i]);
        if (options && spells(a, "--")) {
            options = false;
            continue;
        }
        if (options && ((a.size() > 1 && a[0] == Char('-')) || isWindowsHelp(kept[i])))
            return false;
        ++operands;
    }
    return operands <= 1;
}

}  // namespace cli
