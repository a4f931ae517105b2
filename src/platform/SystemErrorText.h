// Why a system call failed, in words a Chinese user reads, and in the system's own English
// for standard error.
#pragma once

#include <string>

namespace kyq {

// "没有权限", "磁盘空间不足", ... for the common errno values; any other one as
// "系统错误：" + the system's text + its number. UTF-8.
std::string SystemErrorReason(int code);

// The system's English text with its number: "Permission denied (errno 13)".
std::string SystemErrorDetail(int code);

}  // namespace kyq
