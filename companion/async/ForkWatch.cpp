// SPDX-License-Identifier: Apache-2.0
#include "companion/async/ForkWatch.h"

#include <pthread.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace oryx {

namespace {

// Never destroyed: threads may watch or fork while the process exits.
struct Registry {
  std::mutex lock;
  std::vector<ForkAware*> objects;  // in the order they were watched
  // Own lock: filled by the child's hooks, while `lock` is held.
  std::mutex keptLock;
  std::vector<const void*> keptForever;
};

Registry& registry() {
  static Registry* const instance = new Registry;
  return *instance;
}

void beforeFork() {
  Registry& r = registry();
  r.lock.lock();
  for (ForkAware* object : r.objects) object->lockForFork();
}

void afterForkInParent() {
  Registry& r = registry();
  for (auto object = r.objects.rbegin(); object != r.objects.rend(); ++object) (*object)->unlockInParent();
  r.lock.unlock();
}

void afterForkInChild() {
  Registry& r = registry();
  std::vector<ForkAware*> kept;
  for (auto object = r.objects.rbegin(); object != r.objects.rend(); ++object) {
    if ((*object)->unlockInChild()) kept.insert(kept.begin(), *object);
  }
  // The others' threads stayed in the parent.
  r.objects.swap(kept);
  r.lock.unlock();
}

}  // namespace

void watchForks(ForkAware* object) {
  static std::once_flag registered;
  std::call_once(registered, [] { ::pthread_atfork(beforeFork, afterForkInParent, afterForkInChild); });
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (std::find(r.objects.begin(), r.objects.end(), object) == r.objects.end()) r.objects.push_back(object);
}

void unwatchForks(ForkAware* object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.objects.erase(std::remove(r.objects.begin(), r.objects.end(), object), r.objects.end());
}

void keepForever(const void* object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.keptLock);
  r.keptForever.push_back(object);
}

}  // namespace oryx
