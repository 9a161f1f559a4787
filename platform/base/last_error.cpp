// Last-error code per thread, and errno to Win32 codes.
#include "platform/base/last_error.h"

#include <cerrno>

namespace {
thread_local DWORD g_lastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return g_lastError; }

void SetLastError(DWORD code) { g_lastError = code; }

DWORD Win32ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC: return ERROR_DISK_FULL;
    case ERANGE: return ERROR_INSUFFICIENT_BUFFER;
    case EBUSY: return ERROR_BUSY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    default: return ERROR_GEN_FAILURE;
  }
}

void SetLastErrorFromErrno() { SetLastError(Win32ErrorFromErrno(errno)); }
