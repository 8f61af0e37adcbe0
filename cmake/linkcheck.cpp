// The program each layer's link check builds: it only has to link (see parvel_layer).
int main() {
  return 0;
}
