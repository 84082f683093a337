// The end of a group of threads that wait for work on a condition variable.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace kivo {

// Sets `cancelled` under `mutex`, wakes every thread that waits on `wake`
// and waits for each of them to end.
inline void end_threads(std::mutex& mutex, bool& cancelled, std::condition_variable& wake,
                        std::vector<std::thread>& threads) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    cancelled = true;
  }
  wake.notify_all();
  for (std::thread& t : threads) t.join();
  threads.clear();
}

}  // namespace kivo
