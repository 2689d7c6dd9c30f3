// zraddrres ports --html FILE: the inventory as one self-contained page. The
// table sorts by any column and filters by kind; the ports are also grouped
// by device address, those without one first; every port opens to its
// explain account. Everything the page shows is data put in by text, never
// markup, and the page loads nothing from anywhere.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace zrtool {

// The page for {"rows": [...], "registry": where they were read, "line": the
// Windows line}: each row as ports --json writes it, with the port's explain
// account (AccountJson) under "account". Texts in UTF-8.
std::string HtmlReport(const nlohmann::json& data);

// The JSON as text that may stand inside a <script> element: "<", ">" and
// "&" written as \u escapes, so no text of the data can end the element.
std::string ScriptSafeJson(const nlohmann::json& data);

}  // namespace zrtool
