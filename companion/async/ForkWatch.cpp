#include "companion/async/ForkWatch.h"

#include <pthread.h>

#include <mutex>
#include <set>
#include <vector>

namespace oryx {

namespace {

// Never destroyed: threads may watch or fork while the process exits.
struct Registry {
  std::mutex lock;
  std::set<ForkAware*> objects;
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
  for (ForkAware* object : r.objects) object->unlockInParent();
  r.lock.unlock();
}

void afterForkInChild() {
  Registry& r = registry();
  for (ForkAware* object : r.objects) object->unlockInChild();
  // Their threads stayed in the parent.
  r.objects.clear();
  r.lock.unlock();
}

}  // namespace

void watchForks(ForkAware* object) {
  static std::once_flag registered;
  std::call_once(registered, [] { ::pthread_atfork(beforeFork, afterForkInParent, afterForkInChild); });
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.objects.insert(object);
}

void unwatchForks(ForkAware* object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.objects.erase(object);
}

void keepForever(const void* object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.keptLock);
  r.keptForever.push_back(object);
}

}  // namespace oryx
