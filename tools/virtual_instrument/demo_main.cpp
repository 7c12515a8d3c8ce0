// kv4410pc-demo: the program with a virtual instrument in place of the USB one.

#include "demo_session.h"

int main(int argc, char** argv)
{
    return kv::runApplication(argc, argv, kv::demoProgram());
}
