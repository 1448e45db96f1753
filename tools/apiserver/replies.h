// JSON replies and small parsing helpers shared by the API endpoints and the control
// interface.
#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace apiserver {

// Members keep the order they were written in ("id" before "title"), which keeps
// replies and log lines readable.
using json = nlohmann::ordered_json;

const char *reason_text(int status);
void send_json(httplib::Response &res, int status, const json &body);
// {"error": text}
void send_error(httplib::Response &res, int status, const std::string &text);
// Optional minus sign and decimal digits only; nothing else, not even blanks.
std::optional<std::int64_t> whole_number(const std::string &text);
// Serialises without throwing on invalid UTF-8 (bodies are logged as received).
std::string dump(const json &j);

} // namespace apiserver
