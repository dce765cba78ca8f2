#include "base/oserror.h"

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

QString osErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return u"磁盘空间不足，请清理磁盘或换一个位置"_s;
    case ENAMETOOLONG:
        return u"文件名太长，请换一个短一些的名字"_s;
    case ENOENT:
    case ENOTDIR:
        return u"文件夹不存在，请选择一个存在的文件夹"_s;
    case EACCES:
    case EPERM:
        return u"没有写入权限，请换一个位置"_s;
    case EROFS:
        return u"磁盘是只读的，请换一个位置"_s;
    case EISDIR:
        return u"同名的文件夹已存在"_s;
    case EBUSY:
    case ETXTBSY:
        return u"文件正被其他程序使用，请关闭该程序后再试"_s;
    case EIO:
        return u"磁盘读写出错"_s;
    default:
        break;
    }
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}
