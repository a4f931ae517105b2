#include "platform/SystemErrorText.h"

#include <cerrno>
#include <cstring>

namespace kyq {

std::string SystemErrorReason(int code)
{
    switch (code) {
    case ENOENT: return "文件或文件夹不存在";
    case EACCES:
    case EPERM: return "没有权限";
    case ENOSPC: return "磁盘空间不足";
    case EDQUOT: return "超出了磁盘配额";
    case EROFS: return "只读文件系统";
    case EISDIR: return "这是一个文件夹";
    case ENOTDIR: return "路径中有一部分不是文件夹";
    case ENAMETOOLONG: return "文件名太长";
    case ELOOP: return "符号链接层次太多";
    case EIO: return "磁盘读写出错";
    case EFBIG: return "文件太大";
    case EMFILE:
    case ENFILE: return "打开的文件太多";
    case ENOMEM: return "内存不足";
    case EBUSY:
    case ETXTBSY: return "文件正在使用中";
    case EXDEV: return "不在同一个文件系统上";
    default: return "系统错误：" + std::string(std::strerror(code)) + "（错误号" + std::to_string(code) + "）";
    }
}

std::string SystemErrorDetail(int code)
{
    return std::string(std::strerror(code)) + " (errno " + std::to_string(code) + ")";
}

}  // namespace kyq
