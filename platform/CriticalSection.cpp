#include "platform/CriticalSection.h"

namespace plat {

void TCriticalSection::Acquire() {
  mutex_.lock();
}

void TCriticalSection::Release() {
  mutex_.unlock();
}

bool TCriticalSection::TryEnter() {
  return mutex_.try_lock();
}

}  // namespace plat
