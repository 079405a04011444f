#pragma once

namespace halvera {

// A progress bar as core sees it: the splash during loading, the log deletion dialogs.
class Progress {
  public:
    virtual ~Progress() = default;
    virtual void SetRange(int low, int high) = 0;
    virtual void SetPosition(int position) = 0;
    virtual int Position() const = 0;
};

}  // namespace halvera
