// What staging tells as it goes.
#pragma once

// Told how many more bytes the staging has copied or read, as it goes;
// answers false to stop it.
class StagingProgress {
  public:
    virtual bool Advance(unsigned long long bytes) = 0;

  protected:
    ~StagingProgress() = default;
};
