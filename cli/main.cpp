#include "cli/LrcTool.h"
#include "cli/Platform.h"

#include <cstdio>

int main(int argc, char** argv)
{
    PrepareStandardStreams();
    return RunLrcTool(Utf8Arguments(argc, argv), stdin, stdout, stderr);
}
