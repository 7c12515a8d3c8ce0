#include "app/start_up.h"

int main(int argc, char** argv)
{
    return kv::runApplication(argc, argv);
}
