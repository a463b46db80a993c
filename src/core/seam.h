#pragma once

// A program-wide service that tests replace: `Real` serves until a replacement is installed.
// Every seam of the program (prompter, browser windows, process launcher) is one of these.
template <typename Interface, typename Real> class Seam
{
public:
    Interface& current()
    {
        static Real real;
        return installed_ ? *installed_ : real;
    }
    void install(Interface* replacement) { installed_ = replacement; }

private:
    Interface* installed_ = nullptr;
};

// Installs a replacement for as long as this object lives (tests hold one as a member).
template <typename Interface> class InstalledSeam
{
public:
    InstalledSeam(void (*install)(Interface*), Interface* replacement) : install_(install)
    {
        install_(replacement);
    }
    ~InstalledSeam() { install_(nullptr); }
    InstalledSeam(const InstalledSeam&) = delete;
    InstalledSeam& operator=(const InstalledSeam&) = delete;

private:
    void (*install_)(Interface*);
};
