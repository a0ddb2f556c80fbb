#pragma once

#include <QByteArrayView>
#include <functional>

namespace mivo {

// What the helper link makes of the child's standard output, on the link's own
// thread, where that output is read. The calls come one at a time, in the order
// of the bytes, and touch only what the sink itself owns. The work each returns
// (when set) is run on the main thread, in the same order, and the child's end
// is reported there only after the work of its last bytes.
class HelperOutputSink {
public:
    using MainThreadWork = std::function<void()>;

    virtual ~HelperOutputSink() = default;

    // Bytes the child printed; never empty.
    virtual MainThreadWork consume(QByteArrayView chunk) = 0;
    // The child has ended and everything it printed has been consumed; the
    // next bytes, if any, are the next child's.
    virtual MainThreadWork ended() = 0;
};

} // namespace mivo
