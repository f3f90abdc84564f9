#pragma once
// A Mounting that records its calls and answers from a script: the next scripted outcome (or
// `defaultOutcome`), queued on the event loop or held until release().

#include "services/mounter_interface.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class FakeMounter final : public Mounting {
public:
    enum class Answer { queued, onRelease };

    struct MountCall {
        ShareSpec spec;
        std::optional<QString> password;
    };
    struct UnmountCall {
        QString path;
        bool force = false;
    };

    Answer answer = Answer::queued;
    std::deque<MountOutcome> mountScript;
    MountOutcome defaultOutcome = MountOutcome::mounted(std::nullopt);
    std::deque<std::optional<QString>> unmountScript; // nothing = success
    std::vector<MountCall> mounts;
    std::vector<UnmountCall> unmounts;

    void mount(const ShareSpec& spec, std::optional<QString> password, std::function<void(MountOutcome)> done) override
    {
        mounts.push_back({spec, password});
        MountOutcome outcome = defaultOutcome;
        if (!mountScript.empty()) {
            outcome = mountScript.front();
            mountScript.pop_front();
        }
        deliver([done = std::move(done), outcome] { done(outcome); });
    }

    void unmount(const QString& path, bool force, std::function<void(std::optional<QString>)> done) override
    {
        unmounts.push_back({path, force});
        std::optional<QString> error;
        if (!unmountScript.empty()) {
            error = unmountScript.front();
            unmountScript.pop_front();
        }
        deliver([done = std::move(done), error] { done(error); });
    }

    // Runs the answers held back under Answer::onRelease, oldest first.
    void release()
    {
        for (auto& answerNow : std::exchange(m_held, {}))
            answerNow();
    }

private:
    void deliver(std::function<void()> answerNow)
    {
        if (answer == Answer::onRelease)
            m_held.push_back(std::move(answerNow));
        else
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(answerNow), Qt::QueuedConnection);
    }

    std::vector<std::function<void()>> m_held;
};
