#pragma once

#include <string>
#include <string_view>

#include "lists/error_log.h"
#include "lists/prompt.h"

namespace halvera {

// The Japanese description (CP932) of an SMTP reply code; the "unsupported code" text for a
// code the table lacks.
std::string SmtpReplyDescription(int code);

// Reports a reply that broke off the SMTP dialogue: a stop box with "エラーコード：", the reply
// line and the description, and the error log line "maild" with the code and the last line
// of the description. The reply line is CP932 as received.
void ShowSmtpReplyError(std::string_view replyLine, Prompt& prompt, ErrorLog& errorLog);

}  // namespace halvera
