#pragma once
// The cover tool's one window: a drive list and folder list choosing the working folder,
// instruction labels, and seven buttons, six of which run a batch job over its covers.
#include <string>

#include "covertool/jobs/cover_jobs.h"
#include "platform/ui/window.h"

namespace cover {

inline constexpr char kProgramTitle[] = "Tessmar";

class Form1 : public ui::Window {
public:
    Form1();

    void Form_Load();
    void Drive1_Change();
    void Command1_Click();  // extents into coord.txt
    void Command2_Click();  // ends the program
    void Command3_Click();  // recodes culture
    void Command4_Click();  // .doc text into tem.txt
    void Command5_Click();  // SML lines into arcsml.txt
    void Command6_Click();  // system value 3
    void Command7_Click();  // tic points into tic.txt

    void OnInitDialog() override;

    // The working folder: the path of the folder list.
    std::string Folder() { return Item("Dir1").folder; }

private:
    void Job(void (CoverJobs::*job)(const std::string&));

    CoverJobs jobs_;
    std::string wrap;  // set at load; the jobs end their lines with the same CR LF
};

}  // namespace cover
