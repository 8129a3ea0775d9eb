// The commands of the command-line host; each takes the arguments after
// its name and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace pte {

int run_demo(const std::vector<std::string>& args);
int run_convert(const std::vector<std::string>& args);
int run_lua(const std::vector<std::string>& args);
int run_thumbnail(const std::vector<std::string>& args);
int run_webpic(const std::vector<std::string>& args);
int run_clip(const std::vector<std::string>& args);
int run_capture(const std::vector<std::string>& args);
int run_scan(const std::vector<std::string>& args);
int run_pdf(const std::vector<std::string>& args);
int run_avi(const std::vector<std::string>& args);
int run_effect(const std::vector<std::string>& args);
int run_effects(const std::vector<std::string>& args);
int run_gallery(const std::vector<std::string>& args);
int run_draw(const std::vector<std::string>& args);

}  // namespace pte
