// The system message table and FormatMessageA over it.
#include "platform/base/format_message.h"

#include <cstring>
#include <string>
#include <string_view>

#include "platform/adsi/ds_errors.h"
#include "platform/base/certificate_failure.h"
#include "platform/base/last_error.h"
#include "platform/base/library_loader.h"
#include "platform/netapi/netapi.h"
#include "platform/service/service_manager.h"
#include "platform/cryptoapi/wincrypt.h"

namespace {

struct SystemMessage {
  DWORD code;
  std::string_view text;
};

constexpr SystemMessage kSystemMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
    // The network-user calls and the CryptoAPI.
    {ERROR_BAD_NETPATH, "The network path was not found.\r\n"},
    {ERROR_UNEXP_NET_ERR, "An unexpected network error occurred.\r\n"},
    {ERROR_NETNAME_DELETED, "The specified network name is no longer available.\r\n"},
    {ERROR_SEM_TIMEOUT, "The semaphore timeout period has expired.\r\n"},
    {ERROR_CAN_NOT_COMPLETE, "Cannot complete this function.\r\n"},
    {ERROR_CONNECTION_ABORTED, "The network connection was aborted by the local system.\r\n"},
    {RPC_S_SERVER_UNAVAILABLE, "The RPC server is unavailable.\r\n"},
    {NERR_DestNotFound, "The printer destination cannot be found.\r\n"},
    {ERROR_INVALID_PASSWORD, "The specified network password is not correct.\r\n"},
    {ERROR_PASSWORD_RESTRICTION,
     "Unable to update the password. The value provided for the new password does not meet the length, "
     "complexity, or history requirements of the domain.\r\n"},
    {ERROR_LOGON_FAILURE, "The user name or password is incorrect.\r\n"},
    {ERROR_ACCOUNT_DISABLED, "This user can't sign in because this account is currently disabled.\r\n"},
    {ERROR_ACCOUNT_EXPIRED, "The user's account has expired.\r\n"},
    {ERROR_NO_SUCH_DOMAIN, "The specified domain either does not exist or could not be contacted.\r\n"},
    {ERROR_ACCOUNT_LOCKED_OUT, "The referenced account is currently locked out and may not be logged on to.\r\n"},
    {NERR_BufTooSmall, "The API return buffer is too small.\r\n"},
    {NERR_InternalError, "An internal error occurred.\r\n"},
    {NERR_UserNotFound, "The user name could not be found.\r\n"},
    {NERR_PasswordTooShort,
     "The password does not meet the password policy requirements. Check the minimum password length, password "
     "complexity and password history requirements.\r\n"},
    {NERR_InvalidComputer, "This computer name is invalid.\r\n"},
    // A controller's certificate that did not verify (the directory layers).
    {CERT_E_EXPIRED,
     "A required certificate is not within its validity period when verifying against the current system clock or "
     "the timestamp in the signed file.\r\n"},
    {CERT_E_UNTRUSTEDROOT,
     "A certificate chain processed, but terminated in a root certificate which is not trusted by the trust "
     "provider.\r\n"},
    {TRUST_E_FAIL, "Generic trust failure.\r\n"},
    {CERT_E_REVOKED, "A certificate was explicitly revoked by its issuer.\r\n"},
    {CERT_E_CN_NO_MATCH, "The certificate's CN name does not match the passed value.\r\n"},
    {NTE_BAD_UID, "Bad UID.\r\n"},
    {NTE_BAD_FLAGS, "Invalid flags specified.\r\n"},
    {NTE_BAD_PROV_TYPE, "Invalid provider type specified.\r\n"},
    {NTE_FAIL, "An internal error occurred.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file.\r\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command.\r\n"},
    {ERROR_INVALID_DATA, "The data is invalid.\r\n"},
    {ERROR_WRITE_PROTECT, "The media is write protected.\r\n"},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning.\r\n"},
    {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process.\r\n"},
    {ERROR_NOT_SUPPORTED, "The request is not supported.\r\n"},
    {ERROR_FILE_EXISTS, "The file exists.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {ERROR_DISK_FULL, "There is not enough space on the disk.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_LEVEL, "The system call level is not correct.\r\n"},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found.\r\n"},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found.\r\n"},
    {ERROR_BUSY, "The requested resource is in use.\r\n"},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long.\r\n"},
    {ERROR_MORE_DATA, "More data is available.\r\n"},
    {ERROR_BADDB, "The configuration registry database is corrupt.\r\n"},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired.\r\n"},
    {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system.\r\n"},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {ERROR_INVALID_SERVICE_CONTROL, "The requested control is not valid for this service.\r\n"},
    {ERROR_SERVICE_REQUEST_TIMEOUT,
     "The service did not respond to the start or control request in a timely fashion.\r\n"},
    {ERROR_SERVICE_ALREADY_RUNNING, "An instance of the service is already running.\r\n"},
    {ERROR_INVALID_SERVICE_ACCOUNT,
     "The account name is invalid or does not exist, or the password is invalid for the account name "
     "specified.\r\n"},
    {ERROR_SERVICE_DOES_NOT_EXIST, "The specified service does not exist as an installed service.\r\n"},
    {ERROR_SERVICE_CANNOT_ACCEPT_CTRL, "The service cannot accept control messages at this time.\r\n"},
    {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started.\r\n"},
    {ERROR_FAILED_SERVICE_CONTROLLER_CONNECT, "The service process could not connect to the service controller.\r\n"},
    {ERROR_PROCESS_ABORTED, "The process terminated unexpectedly.\r\n"},
    {ERROR_SERVICE_LOGON_FAILED, "The service did not start due to a logon failure.\r\n"},
    {ERROR_SERVICE_MARKED_FOR_DELETE, "The specified service has been marked for deletion.\r\n"},
    {ERROR_SERVICE_EXISTS, "The specified service already exists.\r\n"},
    // Directory results (ADSI over LDAP).
    {ERROR_CONNECTION_REFUSED, "The remote computer refused the network connection.\r\n"},
    {ERROR_OBJECT_ALREADY_EXISTS, "The object already exists.\r\n"},
    {ERROR_DS_NO_ATTRIBUTE_OR_VALUE, "The specified directory service attribute or value does not exist.\r\n"},
    {ERROR_DS_INVALID_ATTRIBUTE_SYNTAX, "The attribute syntax specified to the directory service is invalid.\r\n"},
    {ERROR_DS_ATTRIBUTE_TYPE_UNDEFINED, "The attribute type specified to the directory service is not defined.\r\n"},
    {ERROR_DS_ATTRIBUTE_OR_VALUE_EXISTS, "The specified directory service attribute or value already exists.\r\n"},
    {ERROR_DS_BUSY, "The directory service is busy.\r\n"},
    {ERROR_DS_UNAVAILABLE, "The directory service is unavailable.\r\n"},
    {ERROR_DS_OBJ_CLASS_VIOLATION,
     "The requested operation did not satisfy one or more constraints associated with the class of the object.\r\n"},
    {ERROR_DS_CANT_ON_NON_LEAF, "The directory service can perform the requested operation only on a leaf object.\r\n"},
    {ERROR_DS_CANT_ON_RDN,
     "The directory service cannot perform the requested operation on the RDN attribute of an object.\r\n"},
    {ERROR_DS_CANT_MOD_OBJ_CLASS,
     "The directory service detected an attempt to modify the object class of an object.\r\n"},
    {ERROR_DS_OPERATIONS_ERROR, "An operations error occurred.\r\n"},
    {ERROR_DS_PROTOCOL_ERROR, "A protocol error occurred.\r\n"},
    {ERROR_DS_TIMELIMIT_EXCEEDED, "The time limit for this request was exceeded.\r\n"},
    {ERROR_DS_SIZELIMIT_EXCEEDED, "The size limit for this request was exceeded.\r\n"},
    {ERROR_DS_ADMIN_LIMIT_EXCEEDED, "The administrative limit for this request was exceeded.\r\n"},
    {ERROR_DS_COMPARE_FALSE, "The compare response was false.\r\n"},
    {ERROR_DS_COMPARE_TRUE, "The compare response was true.\r\n"},
    {ERROR_DS_AUTH_METHOD_NOT_SUPPORTED, "The requested authentication method is not supported by the server.\r\n"},
    {ERROR_DS_STRONG_AUTH_REQUIRED, "A more secure authentication method is required for this server.\r\n"},
    {ERROR_DS_INAPPROPRIATE_AUTH, "Inappropriate authentication.\r\n"},
    {ERROR_DS_AUTH_UNKNOWN, "The authentication mechanism is unknown.\r\n"},
    {ERROR_DS_REFERRAL, "A referral was returned from the server.\r\n"},
    {ERROR_DS_UNAVAILABLE_CRIT_EXTENSION, "The server does not support the requested critical extension.\r\n"},
    {ERROR_DS_CONFIDENTIALITY_REQUIRED, "This request requires a secure connection.\r\n"},
    {ERROR_DS_INAPPROPRIATE_MATCHING, "Inappropriate matching.\r\n"},
    {ERROR_DS_CONSTRAINT_VIOLATION, "A constraint violation occurred.\r\n"},
    {ERROR_DS_NO_SUCH_OBJECT, "There is no such object on the server.\r\n"},
    {ERROR_DS_ALIAS_PROBLEM, "There is an alias problem.\r\n"},
    {ERROR_DS_INVALID_DN_SYNTAX, "An invalid dn syntax has been specified.\r\n"},
    {ERROR_DS_IS_LEAF, "The object is a leaf object.\r\n"},
    {ERROR_DS_ALIAS_DEREF_PROBLEM, "There is an alias dereferencing problem.\r\n"},
    {ERROR_DS_UNWILLING_TO_PERFORM, "The server is unwilling to process the request.\r\n"},
    {ERROR_DS_LOOP_DETECT, "A loop has been detected.\r\n"},
    {ERROR_DS_NAMING_VIOLATION, "There is a naming violation.\r\n"},
    {ERROR_DS_OBJECT_RESULTS_TOO_LARGE, "The result set is too large.\r\n"},
    {ERROR_DS_AFFECTS_MULTIPLE_DSAS, "The operation affects multiple DSAs.\r\n"},
    {ERROR_DS_SERVER_DOWN, "The server is not operational.\r\n"},
    {ERROR_DS_LOCAL_ERROR, "A local error has occurred.\r\n"},
    {ERROR_DS_ENCODING_ERROR, "An encoding error has occurred.\r\n"},
    {ERROR_DS_DECODING_ERROR, "A decoding error has occurred.\r\n"},
    {ERROR_DS_FILTER_UNKNOWN, "The search filter cannot be recognized.\r\n"},
    {ERROR_DS_PARAM_ERROR, "One or more parameters are illegal.\r\n"},
    {ERROR_DS_NOT_SUPPORTED, "The specified method is not supported.\r\n"},
    {ERROR_DS_GENERIC_ERROR, "A directory service error has occurred.\r\n"},
};

}  // namespace

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/, LPSTR buffer,
                     DWORD size, va_list* /*arguments*/) {
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  for (const SystemMessage& message : kSystemMessages) {
    if (message.code != messageId) continue;
    // A certificate's status says why through the thread's note: the code
    // alone cannot carry the reason.
    std::string text(message.text);
    const std::string& note = CertificateFailure();
    if (IsCertificateStatus(messageId) && !note.empty()) text = text.substr(0, text.size() - 2) + " " + note + "\r\n";
    if (text.size() + 1 > size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
  }
  SetLastError(ERROR_MR_MID_NOT_FOUND);
  return 0;
}
