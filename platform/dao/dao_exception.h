// CDaoException: how our DAO classes report a failure, as DAO does. The
// error-information record carries the DAO error number and the
// description text that the log shows.
#ifndef SALVORAN_PLATFORM_DAO_DAO_EXCEPTION_H_
#define SALVORAN_PLATFORM_DAO_DAO_EXCEPTION_H_

#include <exception>
#include <string>

namespace salvoran {

struct CDaoErrorInfo {
  long m_lErrorCode = 0;
  std::string m_strSource = "DAO.Database";
  std::string m_strDescription;  // UTF-8
};

class CDaoException : public std::exception {
 public:
  CDaoException(long errorCode, std::string description);

  const CDaoErrorInfo& ErrorInfo() const { return info_; }
  long ErrorCode() const { return info_.m_lErrorCode; }
  const std::string& Description() const { return info_.m_strDescription; }
  const char* what() const noexcept override { return info_.m_strDescription.c_str(); }

 private:
  CDaoErrorInfo info_;
};

}  // namespace salvoran

#endif  // SALVORAN_PLATFORM_DAO_DAO_EXCEPTION_H_
