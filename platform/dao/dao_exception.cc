#include "platform/dao/dao_exception.h"

#include <utility>

namespace salvoran {

CDaoException::CDaoException(long errorCode, std::string description) {
  info_.m_lErrorCode = errorCode;
  info_.m_strDescription = std::move(description);
}

}  // namespace salvoran
