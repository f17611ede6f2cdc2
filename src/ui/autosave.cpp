#include "ui/autosave.h"

#include <QElapsedTimer>

#include "common/settings.h"
#include "host/embedded_host.h"
#include "host/host_document.h"
#include "host/recovery.h"

namespace korvane::ui {

namespace {

// A slice stops after this much work; checked every kCheckEvery records.
constexpr qint64 kSliceBudgetNs = 8'000'000;
constexpr size_t kCheckEvery = 200;
// A drawing edited this often during one copy waits for the next round.
constexpr int kMaxRestarts = 20;

}  // namespace

Autosave::Autosave(host::EmbeddedHost& host, host::RecoveryStore& store, common::SettingsStore& settings,
                   std::function<bool()> busy)
    : host_(host), store_(store), settings_(settings), busy_(std::move(busy)) {
    connect(&timer_, &QTimer::timeout, this, &Autosave::run_now);
    // Saved and closed drawings lose their copies within a moment, not at the next round.
    housekeeping_.setInterval(2000);
    connect(&housekeeping_, &QTimer::timeout, this, &Autosave::tidy);
}

Autosave::~Autosave() {
    if (writing_.valid()) writing_.wait();
}

void Autosave::start() {
    double minutes = 2;
    std::string value = common::load_ini(settings_, kAutosaveMinutesKey, "2");
    try {
        size_t used = 0;
        double v = std::stod(value, &used);
        if (used > 0 && v >= 0 && v <= 24 * 60) minutes = v;
    } catch (const std::exception&) {
    }
    housekeeping_.start();
    if (minutes <= 0) {
        timer_.stop();
        return;
    }
    timer_.start(std::max(1, int(minutes * 60'000)));
}

uint64_t Autosave::slot_for(const host::HostDocument* doc) {
    auto it = slots_.find(doc);
    if (it == slots_.end()) it = slots_.emplace(doc, Slot{next_slot_++, {}, false}).first;
    return it->second.number;
}

host::HostDocument* Autosave::live(const host::HostDocument* doc) const {
    for (size_t i = 0; i < host_.document_count(); ++i)
        if (&host_.document(i) == doc) return &host_.document(i);
    return nullptr;
}

void Autosave::tidy() {
    for (auto it = slots_.begin(); it != slots_.end();) {
        host::HostDocument* d = live(it->first);
        if (!d) {
            store_.discard(it->second.number);
            it = slots_.erase(it);
            continue;
        }
        if (!d->doc().modified() && it->second.has_copy) {
            store_.discard(it->second.number);
            it->second.has_copy = false;
            it->second.written = {};
        }
        ++it;
    }
}

void Autosave::run_now() {
    if (round_active_) return;
    tidy();
    queue_.clear();
    for (size_t i = 0; i < host_.document_count(); ++i) {
        const host::HostDocument& d = host_.document(i);
        if (!d.doc().modified()) continue;
        auto it = slots_.find(&d);
        if (it != slots_.end() && it->second.has_copy && it->second.written == drawing::fingerprint(d.doc())) continue;
        queue_.push_back(&d);
    }
    round_active_ = true;
    next_document();
}

void Autosave::next_document() {
    job_.reset();
    while (!queue_.empty()) {
        const host::HostDocument* d = queue_.front();
        queue_.erase(queue_.begin());
        if (!live(d)) continue;
        job_ = Job{d, nullptr, 0};
        QTimer::singleShot(0, this, &Autosave::slice);
        return;
    }
    finish_round();
}

void Autosave::slice() {
    if (!job_) return;
    host::HostDocument* d = live(job_->doc);
    if (!d) return next_document();
    if (busy_ && busy_()) {
        // A command is at work (perhaps waiting for a pick): look again shortly.
        job_->writer.reset();
        QTimer::singleShot(200, this, &Autosave::slice);
        return;
    }
    QElapsedTimer clock;
    clock.start();
    if (job_->writer && job_->writer->started_at() != drawing::fingerprint(d->doc())) {
        job_->writer.reset();
        if (++job_->restarts > kMaxRestarts) return next_document();
    }
    if (!job_->writer) job_->writer = std::make_unique<drawing::DxfPieceWriter>(d->doc());
    bool done = false;
    while (!done && clock.nsecsElapsed() < kSliceBudgetNs) done = job_->writer->write_some(kCheckEvery);
    longest_slice_ms_ = std::max(longest_slice_ms_, double(clock.nsecsElapsed()) / 1e6);
    if (!done) {
        QTimer::singleShot(0, this, &Autosave::slice);
        return;
    }
    write_off_thread(*d, job_->writer->started_at(), job_->writer->take_pieces());
}

void Autosave::write_off_thread(const host::HostDocument& doc, drawing::ChangeFingerprint state,
                                std::vector<std::string> pieces) {
    const uint64_t slot = slot_for(&doc);
    const uint64_t epoch = store_.epoch(slot);
    std::string original = doc.path(), name = doc.name();
    const host::HostDocument* key = &doc;
    writing_ = std::async(std::launch::async, [=, this, pieces = std::move(pieces)]() mutable {
        std::string problem;
        bool written = false;
        try {
            std::string text;
            size_t size = 0;
            for (const auto& p : pieces) size += p.size();
            text.reserve(size);
            for (auto& p : pieces) {
                text += p;
                std::string().swap(p);
            }
            written = store_.write(slot, epoch, original, name, text);
        } catch (const std::exception& e) {
            problem = e.what();
        }
        QMetaObject::invokeMethod(
            this,
            [=, this] {
                if (writing_.valid()) writing_.get();
                auto it = slots_.find(key);
                if (written && it != slots_.end() && it->second.number == slot) {
                    it->second.written = state;
                    it->second.has_copy = true;
                    ++copies_written_;
                }
                if (!problem.empty() && on_problem) on_problem("自动保存失败：" + problem);
                next_document();
            },
            Qt::QueuedConnection);
    });
}

void Autosave::finish_round() {
    round_active_ = false;
    emit round_finished();
}

}  // namespace korvane::ui
