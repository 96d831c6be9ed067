#pragma once

#include <gio/gio.h>

#include <functional>
#include <optional>
#include <utility>

namespace brivet::eds {

// Runs `work` in a GLib worker thread and hands its result to `done` on the
// main context of the caller. Once `cancellable` is cancelled (the store is
// gone) `done` is dropped unrun. `work` must only touch what it captured by
// value; both closures are destroyed on the caller's thread, so captured
// state never dies in the worker.
template<typename Result>
void runInWorker(GCancellable* cancellable, std::function<Result(GCancellable*)> work,
    std::function<void(Result)> done)
{
    struct Job {
        std::function<Result(GCancellable*)> work;
        std::function<void(Result)> done;
        std::optional<Result> result;
        GCancellable* cancellable;
    };
    auto* job = new Job { std::move(work), std::move(done), std::nullopt, G_CANCELLABLE(g_object_ref(cancellable)) };

    GTask* task = g_task_new(nullptr, nullptr,
        [](GObject*, GAsyncResult*, gpointer data) {
            auto* job = static_cast<Job*>(data);
            std::function<Result(GCancellable*)> work = std::move(job->work);
            std::function<void(Result)> done = std::move(job->done);
            std::optional<Result> result = std::move(job->result);
            GCancellable* cancellable = job->cancellable;
            delete job;
            if (!g_cancellable_is_cancelled(cancellable) && result)
                done(std::move(*result));
            g_object_unref(cancellable);
        },
        job);
    g_task_set_task_data(task, job, nullptr);
    g_task_run_in_thread(task, [](GTask* task, gpointer, gpointer data, GCancellable*) {
        auto* job = static_cast<Job*>(data);
        job->result = job->work(job->cancellable);
        g_task_return_boolean(task, TRUE);
    });
    g_object_unref(task);
}

} // namespace brivet::eds
