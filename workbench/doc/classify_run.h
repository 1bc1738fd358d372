#pragma once
// Pieces of the image classification run, shared with its tests.
#include <string>

class CKorvaneDoc;
class CML;

// The classified image's name: the clip's file name with "_%1.2f_%1.2f" of v and u inserted
// before its last four characters (at its end when it is shorter).
std::string ClassifiedName(const std::string& inputFileName, double v, double u);
// Opens "erlog.er" in the current folder for appending and, when `failed`, adds the line
// "Open " + path + " Fail" (CR LF). False when the log cannot be opened.
bool AppendErlog(const std::string& mergeInfoPath, bool failed);
// The run after OK, with the dialog's inputs.
void RunImageClassification(CKorvaneDoc& doc, const CML& dlg);
