#pragma once

#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace chiffrel {

// Work that may wait for ever (a lock held by a stopped process, a print server, the session
// bus) runs on a thread of its own that nothing waits for, not even the end of the program. What
// it brings back reaches its receiver only while the receiver still waits: once the receiver has
// let it go (given up, or ended), the work is told so and disposes of what it brought itself
// (a lock taken late is released, a result is dropped).
//
// The receiver owns a WorkReceiver, declared after anything its deliveries touch, so that it lets
// go first when the receiver ends; each piece of work gets a WorkSender to deliver through.
class WorkSender {
  public:
    // Runs `deliver` on the work's thread while the receiver is there and tells whether it ran.
    // The receiver cannot let go meanwhile, so `deliver` only hands over: it sets a value, or
    // posts a call to the receiver's thread, and returns.
    template <typename Handover>
    bool Deliver(Handover&& deliver) const {
        const std::lock_guard<std::mutex> guard(link_->mutex);
        if (!link_->present) {
            return false;
        }
        std::forward<Handover>(deliver)();
        return true;
    }

  private:
    friend class WorkReceiver;
    struct Link {
        std::mutex mutex;
        bool present = true;
    };
    explicit WorkSender(std::shared_ptr<Link> link) : link_(std::move(link)) {}

    std::shared_ptr<Link> link_;
};

class WorkReceiver {
  public:
    WorkReceiver() = default;
    ~WorkReceiver() { Leave(); }
    WorkReceiver(const WorkReceiver&) = delete;
    WorkReceiver& operator=(const WorkReceiver&) = delete;

    // Starts `work(sender)` on a thread of its own. False when no thread could be had: then the
    // work has not run.
    template <typename Work>
    bool Start(Work work) {
        try {
            std::thread([work = std::move(work), sender = WorkSender(link_)]() mutable {
                work(sender);
            }).detach();
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }

    // Lets go of every work started so far: once this returns, none of them delivers anything
    // (a delivery under way ends first). Work started afterwards delivers again.
    void LetGo() {
        Leave();
        link_ = std::make_shared<WorkSender::Link>();
    }

  private:
    void Leave() {
        const std::lock_guard<std::mutex> guard(link_->mutex);
        link_->present = false;
    }

    std::shared_ptr<WorkSender::Link> link_ = std::make_shared<WorkSender::Link>();
};

}  // namespace chiffrel
