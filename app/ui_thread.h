// Carrying a call out on the user-interface thread.
//
// A worker that shows something waits until the user-interface thread has
// done it, so that to the worker every call is synchronous. A call made on
// the user-interface thread itself runs at once. The user-interface thread
// must never block waiting for a worker without processing events, or the
// two wait for each other.
#ifndef SALVORAN_APP_UI_THREAD_H_
#define SALVORAN_APP_UI_THREAD_H_

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

namespace salvoran::app {

template <typename Call>
void RunOnUiThread(QObject* target, Call&& call) {
  if (QThread::currentThread() == target->thread()) {
    call();
  } else {
    QMetaObject::invokeMethod(target, std::forward<Call>(call), Qt::BlockingQueuedConnection);
  }
}

}  // namespace salvoran::app

#endif  // SALVORAN_APP_UI_THREAD_H_
