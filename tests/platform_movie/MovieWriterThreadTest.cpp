// The writer used as the system's writer uses it: created on one thread,
// samples added on a writer thread fed through a small ring of jobs, finished
// on the first thread after the writer thread has ended. Every unit must
// arrive, in order (run under ThreadSanitizer with the "threads" label).
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform_movie/MovieTestUtil.h"
#include "tests/platform_movie/MovieWriterTestSupport.h"

namespace zeb::movie::test {
namespace {

// Packet numbers handed from the producer to the writer thread; -1 ends it.
class JobQueue {
 public:
  explicit JobQueue(size_t depth) : depth_(depth) {}

  void Push(long job) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.size() < depth_; });
    jobs_.push_back(job);
    changed_.notify_all();
  }
  long Pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !jobs_.empty(); });
    const long job = jobs_.front();
    jobs_.pop_front();
    changed_.notify_all();
    return job;
  }

 private:
  const size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<long> jobs_;
};

struct ThreadCase {
  const char* name;
  size_t ringDepth;
};

TEST(MovieWriterThreads, SamplesAddedOnAWriterThreadAllArrive) {
  const std::string source = FixtureFile("avc1_bframes_pcm_tracks.mov");
  const ThreadCase cases[] = {{"RingOfOne", 1}, {"RingOf52", 52}};
  for (const ThreadCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string copy = OutputPath(std::string("threads_") + c.name + ".mov");
    MovieCopier copier(source);
    ASSERT_TRUE(copier.Open(copy).IsOk());
    ASSERT_GT(copier.PacketCount(), 50u);

    JobQueue queue(c.ringDepth);
    Status thread_status;
    std::thread writer_thread([&] {
      for (long job = queue.Pop(); job >= 0; job = queue.Pop()) {
        if (thread_status.IsOk()) thread_status = copier.AddPacket(static_cast<size_t>(job));
      }
    });
    for (size_t i = 0; i < copier.PacketCount(); ++i) queue.Push(static_cast<long>(i));
    queue.Push(-1);
    writer_thread.join();
    ASSERT_TRUE(thread_status.IsOk()) << thread_status.ToString();
    const Status finished = copier.Finish();
    ASSERT_TRUE(finished.IsOk()) << finished.ToString();

    ExpectSamePackets(source, copy);  // every sample, in order
  }
}

}  // namespace
}  // namespace zeb::movie::test
